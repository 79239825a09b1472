#include "agent/skills/look_planner.h"

#include <gtest/gtest.h>

#include "agent/perception/server_command.h"
#include "skills/skills_fixture.h"

namespace zamo {
namespace {

constexpr PlayerSide kMate = PlayerSide::kTeammate;
constexpr PlayerSide kOpp = PlayerSide::kOpponent;

class LookPlannerTest : public test::SkillsTest {
  protected:
    LookPlannerTest() {
        config.uniformNumber = 7;
        placeSelf({0, 0}, 0.0);
    }

    LookPlan plan(const CommandList& commands = {}, double ballWeight = 1.0) {
        return planner.planLookDirections(commands, ballWeight, 1.0, 1.0);
    }

    // A player last seen `age` cycles ago, 20 m away in the middle of the one-degree bin
    // that starts at direction.
    PlayerRecord& seenAgo(PlayerSide side, int number, double direction, int age) {
        const double middle = (direction + 0.5) * kDegToRad;
        PlayerRecord& record = place(side, number, {20 * std::cos(middle), 20 * std::sin(middle)});
        record.positionTime = kNow - age;
        return record;
    }

    LookPlanner planner{params, geometry, self, config, history, skills};
};

TEST_F(LookPlannerTest, ABallOnlyWorldGivesOnePairPointingAtTheBall) {
    placeBall({10, 10});
    place(kMate, 3, {-20, 5});  // seen this cycle: nothing to gain by looking
    const LookPlan result = plan();
    ASSERT_EQ(result.count, 1);
    EXPECT_EQ(result.entries[0].direction, 45);
    EXPECT_NEAR(result.entries[0].score, 1000 * (105 - std::sqrt(200.0)), 1e-6);
}

TEST_F(LookPlannerTest, NothingToPlanWithoutTheCycleOrTheOwnPosition) {
    placeBall({10, 10});
    world().teammates[6].positionTime = kNoTime;
    EXPECT_EQ(plan().count, 0);
    placeSelf({0, 0});
    world().time = kNoTime;
    EXPECT_EQ(plan().count, 0);
}

TEST_F(LookPlannerTest, AWideViewOverAHalfCircleLooksMidway) {
    self.viewWidth = 2;
    const double directions[] = {10, 40, 70, 100, 130, 160};
    for (int i = 0; i < 6; ++i) {
        seenAgo(kOpp, i + 1, directions[i], 3);
    }
    LookPlan result = plan();
    ASSERT_EQ(result.count, 6);
    EXPECT_EQ(result.entries[0].direction, 85);
    EXPECT_NEAR(result.entries[0].score, 6 * 3 * 85.0, 1e-6);

    // A normal view covers at most three of them: the first such window wins the tie.
    self.viewWidth = 1;
    result = plan();
    EXPECT_EQ(result.entries[0].direction, 40);
    EXPECT_NEAR(result.entries[0].score, 3 * 3 * 85.0, 1e-6);
    EXPECT_EQ(result.entries[1].direction, 70);
}

TEST_F(LookPlannerTest, TheWindowWrapsRoundBehindTheAgent) {
    self.viewWidth = 0;  // 45 degrees
    seenAgo(kMate, 2, 170, 2);
    seenAgo(kMate, 3, -170, 2);
    seenAgo(kMate, 4, 0, 1);
    const LookPlan result = plan();
    ASSERT_EQ(result.count, 3);
    EXPECT_EQ(result.entries[0].direction, 180);
    EXPECT_NEAR(result.entries[0].score, 4 * 85.0, 1e-6);
}

TEST_F(LookPlannerTest, ObjectsBeyondTheFieldsLengthScoreNothing) {
    place(kMate, 2, {106, 0}).positionTime = kNow - 5;
    place(kOpp, 2, {105, 0}).positionTime = kNow - 5;
    EXPECT_EQ(plan().count, 0);
}

TEST_F(LookPlannerTest, TheGoalieOutweighsTheBallWhenTheAgentCanShoot) {
    placeBall({1, 0});
    PlayerRecord& keeper = seenAgo(kOpp, 1, 90, 1);
    EXPECT_EQ(plan().entries[0].direction, 0);
    keeper.goalieTime = kNow;
    keeper.goalie = 1;
    EXPECT_EQ(plan().entries[0].direction, 90);
    placeBall({10, 0});  // too far to shoot: the goalie is one opponent like the others
    EXPECT_EQ(plan().entries[0].direction, 0);
}

TEST_F(LookPlannerTest, AContestedBallIsLookedForWhereItIs) {
    // A kick sideways moves the predicted ball away from straight ahead.
    placeBall({0.5, 0});
    CommandList kick;
    kick.append({kKickCommand, 1, 100.0, 90.0});
    EXPECT_GT(plan(kick).entries[0].direction, 45);
    place(kOpp, 5, {1.0, -0.5});
    EXPECT_EQ(plan(kick).entries[0].direction, 0);
}

}  // namespace
}  // namespace zamo
