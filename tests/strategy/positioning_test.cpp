#include "agent/strategy/positioning.h"

#include <gtest/gtest.h>

#include "agent/perception/play_mode.h"
#include "skills/skills_fixture.h"

namespace zamo {
namespace {

using test::expectNear;
constexpr PlayerSide kMate = PlayerSide::kTeammate;
constexpr PlayerSide kOpp = PlayerSide::kOpponent;

class PositioningTest : public test::SkillsTest {
  protected:
    PositioningTest() {
        config.uniformNumber = 7;
        config.side = 1;
        world().playMode = kPlayOn;
    }

    void setHomeY(double y) {
        Formation f = kDefaultFormation;
        f.homePosition = {-10.0, y};
        positioning.setFormation(f);
    }

    // The strategic target of the role, starting from a marker the operation must overwrite.
    // Its dash share comes second.
    std::pair<Vec2, double> strategic(const char* role) {
        config.playerType = role;
        Vec2 target{99, 99};
        double accel = 99;
        EXPECT_TRUE(positioning.strategicPosition(target, accel));
        return {target, accel};
    }

    Positioning positioning{params, geometry, config, history, skills};
};

TEST(SetPlayOwnerTest, SideDecidesWhoseSetPlayItIs) {
    EXPECT_EQ(setPlayOwner(kKickInL, 1), SetPlayOwner::kOwn);
    EXPECT_EQ(setPlayOwner(kKickInL, 2), SetPlayOwner::kOpponent);
    EXPECT_EQ(setPlayOwner(kKickInL, 0), SetPlayOwner::kOpponent);
    EXPECT_EQ(setPlayOwner(kOffsideR, 1), SetPlayOwner::kOpponent);
    EXPECT_EQ(setPlayOwner(kOffsideR, 2), SetPlayOwner::kOwn);
    EXPECT_EQ(setPlayOwner(kOffsideR, 0), SetPlayOwner::kOwn);
    for (const int mode : {kCornerKickL, kFreeKickL, kGoalKickL, kIndirectFreeKickL, kKickOffL}) {
        EXPECT_EQ(setPlayOwner(mode, 1), SetPlayOwner::kOwn) << mode;
        EXPECT_EQ(setPlayOwner(mode + 1, 1), SetPlayOwner::kOpponent) << mode;
    }
    for (const int mode :
         {kPlayOn, kBeforeKickOff, kGoalL, kFoulChargeL, kDropBall, kUnknownMode}) {
        EXPECT_EQ(setPlayOwner(mode, 1), SetPlayOwner::kNobody) << mode;
    }
}

TEST_F(PositioningTest, DefenderDropsBehindTheBall) {
    setHomeY(5);
    placeBall({10, 0});
    placeSelf({4.9, 0});
    auto [target, accel] = strategic("defender");
    expectNear(target, {-8.3, 5});
    EXPECT_EQ(accel, kWalkDash);
    placeSelf({5.1, 0});
    EXPECT_EQ(strategic("defender").second, kFullDash);

    placeBall({-30, 30});
    expectNear(strategic("defender").first, {-35, 5 + 0.2691176470588236 * 30});
    placeBall({-20, 0});
    expectNear(strategic("defender").first, {-29.15, 5});
    placeBall({-48, 0});
    expectNear(strategic("defender").first, {-45.5, 5});

    world().playMode = kFreeKickL;
    placeBall({-40, 0});
    std::tie(target, accel) = strategic("defender");
    expectNear(target, {-29, 5});
    EXPECT_EQ(accel, kWalkDash);
    placeBall({-40, 20.16});  // on the penalty area's edge: no step out
    EXPECT_NEAR(strategic("defender").first.x, -45, 1e-9);
}

TEST_F(PositioningTest, MidfielderFollowsTheRearLineOrTheOffsideLine) {
    setHomeY(3);
    place(kMate, 1, {-45, 0});
    place(kMate, 2, {-30, 5});
    place(kMate, 3, {-20, 5});
    placeBall({-10, -20});
    auto [target, accel] = strategic("midfielder");
    expectNear(target, {-16.275, 3 - 0.2691176470588236 * 20});
    EXPECT_EQ(accel, kWalkDash);

    // Opponent half: 13.725 behind the offside line, the ball counting when farther up.
    place(kOpp, 1, {50, 0});
    place(kOpp, 2, {30, 20});
    placeBall({40, 0});
    expectNear(strategic("midfielder").first, {26.275, 3});
    world().playMode = kFreeKickR;
    expectNear(strategic("midfielder").first, {10.275, 3});
}

TEST_F(PositioningTest, OffenderWaitsOnTheOffsideLineTowardsTheBallsWing) {
    setHomeY(-4);
    place(kOpp, 1, {25, -30});
    place(kOpp, 2, {20, -30});
    place(kOpp, 3, {-10, 30});
    place(kMate, 1, {-50, 0});
    placeBall({10, 10});
    auto [target, accel] = strategic("offender");
    expectNear(target, {18.5, -4 + 2.691176470588236 + 0.8714285714285715});
    EXPECT_EQ(accel, kWalkDash);  // ball velocity unknown and far from the own goalie

    placeBall({10, -10}, Vec2{1, 0.5});
    std::tie(target, accel) = strategic("offender");
    expectNear(target, {18.5, -4 - 2.691176470588236 - 0.8714285714285715});
    EXPECT_EQ(accel, kFullDash);
    placeBall({10, -10}, Vec2{-1, 0.5});
    EXPECT_EQ(strategic("offender").second, kWalkDash);
    world().ballVelocityTime = kNoTime;
    placeBall({-20, 0});
    EXPECT_EQ(strategic("offender").second, kFullDash);  // the own goalie is within 36.6 m
}

TEST_F(PositioningTest, RestedPlayersRunToTheirPlaceTiredOnesWalk) {
    placeBall({10, 0});
    placeSelf({-10, 0});
    PlayerRecord& own = world().teammates[6];
    own.staminaTime = kNow;
    for (const char* role : {"defender", "midfielder", "offender"}) {
        own.stamina = 0.9 * params.staminaMax;
        EXPECT_EQ(strategic(role).second, kFullDash) << role;
        own.stamina = 0.5 * params.staminaMax;
        const double tired = strategic(role).second;
        // Below the rested level each role keeps its own choice.
        own.staminaTime = kNoTime;
        EXPECT_EQ(tired, strategic(role).second) << role;
        own.staminaTime = kNow;
    }
    own.stamina = 0.5 * params.staminaMax;
    EXPECT_EQ(strategic("midfielder").second, kWalkDash);
    // The own set play is walked to, rested or not.
    world().playMode = kFreeKickL;
    own.stamina = params.staminaMax;
    EXPECT_EQ(strategic("midfielder").second, kWalkDash);
}

TEST_F(PositioningTest, TargetsStayWithinTheCaps) {
    setHomeY(20);
    place(kOpp, 1, {52, 0});
    place(kOpp, 2, {51, 0});
    placeBall({50, 30});
    expectNear(strategic("offender").first, {43.35, 24.85});
    placeBall({-30, -34});
    setHomeY(-20);
    expectNear(strategic("defender").first, {-35, -24.85});
    placeBall({20, -34});
    EXPECT_EQ(strategic("midfielder").first.y, -24.85);
}

TEST_F(PositioningTest, RolesWithoutATargetLeaveTheCallersValues) {
    placeBall({10, 0});
    for (const char* role : {"goalie", "Defender", ""}) {
        auto [target, accel] = strategic(role);
        EXPECT_EQ(target, (Vec2{99, 99})) << role;
        EXPECT_EQ(accel, 99) << role;
    }
}

TEST_F(PositioningTest, OffenderStepsOutOfABlockedLaneWhenItIsTheOneToGo) {
    setHomeY(0);
    place(kOpp, 1, {30, 20});
    place(kOpp, 2, {20, 20});
    place(kOpp, 3, {17.5, 0});  // in the lane from (18.5, 0) to the ball, 1 m from it
    placeSelf({25, 5}, std::nullopt);
    placeBall({10, 0});
    // 1.8 m to the side of the ball-blocker line and 1.8 m back towards the ball.
    expectNear(strategic("offender").first, {16.7, 1.8});

    // Two teammates near the ball: one of them goes, this player keeps its place.
    place(kMate, 2, {12, 3});
    place(kMate, 3, {11, -3});
    expectNear(strategic("offender").first, {18.5, 0});
}

TEST_F(PositioningTest, GoalieStandsOnTheBisectorOfTheGoal) {
    expectNear(positioning.goaliePosition({-20, 0}), {-45.49, 0}, 1e-9);
    expectNear(positioning.goaliePosition({-40, 0}), {-52.5 + 12.5 / 3, 0}, 1e-9);
    expectNear(positioning.goaliePosition({-53, 0}), {-52.5, 0}, 1e-9);

    // Off the axis: on the line that halves the angle between the posts, 7.01 m out.
    const Vec2 ball{-30, 15};
    const Vec2 target = positioning.goaliePosition(ball);
    const double toLower = geometry.directionTo({-52.5, -7.01}, ball);
    const double toUpper = geometry.directionTo({-52.5, 7.01}, ball);
    const double bisector = (toLower + toUpper) / 2;
    const double onLineY = target.y - 7.01 * std::sin(bisector * kDegToRad);
    EXPECT_NEAR(target.x, -52.5 + 7.01 * std::cos(bisector * kDegToRad), 1e-9);
    EXPECT_GT(onLineY, 0);
    EXPECT_LT(onLineY, 7.01);
    EXPECT_NEAR(geometry.directionTo({-52.5, onLineY}, ball), bisector, 1e-9);
}

TEST_F(PositioningTest, MarksTheLastQualifyingOpponentFromGoalSide) {
    Formation f = kDefaultFormation;
    f.pressingRegion = {-40, -10, -20, 20};
    positioning.setFormation(f);
    placeSelf({-25, 5});
    Vec2 target{99, 99};
    EXPECT_FALSE(positioning.markingPosition(target));
    EXPECT_EQ(target, (Vec2{99, 99}));

    place(kOpp, 3, {-30, 5});
    ASSERT_TRUE(positioning.markingPosition(target));
    expectNear(target, {-31.952374, 4.566139}, 1e-6);

    place(kOpp, 6, {-8.1, 0});  // 1.9 m outside the region: within its margin of 2
    ASSERT_TRUE(positioning.markingPosition(target));
    expectNear(target, {-10.1, 0});
    place(kOpp, 6, {-7.9, 0});
    ASSERT_TRUE(positioning.markingPosition(target));
    EXPECT_LT(target.x, -30);

    // A teammate within 5 m already covers it.
    place(kMate, 2, {-33, 8});
    EXPECT_FALSE(positioning.markingPosition(target));
}

TEST_F(PositioningTest, ClearsToTheNearerOfTouchLineAndGoalLineSide) {
    const std::pair<Vec2, Vec2> cases[] = {
        {{-50, 5}, {-52.5, 20.16}}, {{-10, 30}, {-10, 34}},   {{-50, -5}, {-52.5, -20.16}},
        {{-10, -30}, {-10, -34}},   {{-50, 25}, {-52.5, 25}}, {{-10, 0}, {-10, -34}},
        {{-48, -28}, {-52.5, -28}},
    };
    for (const auto& [own, expected] : cases) {
        placeSelf(own);
        EXPECT_EQ(positioning.clearanceTarget(), expected) << own.x << " " << own.y;
    }
}

TEST_F(PositioningTest, LinesTakeTheSecondLastPlayerAndTheBall) {
    EXPECT_EQ(positioning.opponentLine(2), 0);
    placeBall({-5, 0});
    EXPECT_EQ(positioning.opponentLine(2), 0);
    placeBall({30, 0});
    EXPECT_EQ(positioning.opponentLine(2), 30);
    place(kOpp, 1, {40, 0});
    place(kOpp, 2, {35, 0});
    place(kOpp, 3, {36, 0});
    EXPECT_EQ(positioning.opponentLine(2), 36);
    place(kOpp, 3, {40, 0});
    EXPECT_EQ(positioning.opponentLine(2), 40);
    EXPECT_EQ(positioning.opponentLine(1), 0);
    place(kOpp, 4, {-20, 0});
    EXPECT_EQ(positioning.opponentLine(1), -20);
    placeBall({-25, 0});
    EXPECT_EQ(positioning.opponentLine(1), -25);

    world().ballPositionTime = kNoTime;  // never seen: the ball does not count
    EXPECT_EQ(positioning.teammateLine(1), 0);
    EXPECT_EQ(positioning.teammateLine(2), 0);
    place(kMate, 1, {-50, 0});
    place(kMate, 2, {-35, 0});
    place(kMate, 3, {-20, 0});
    place(kMate, 4, {20, 0});
    EXPECT_EQ(positioning.teammateLine(1), -35);
    EXPECT_EQ(positioning.teammateLine(2), 20);
    placeBall({-45, 0});
    EXPECT_EQ(positioning.teammateLine(1), -45);
    placeBall({25, 0});
    EXPECT_EQ(positioning.teammateLine(2), 25);
}

TEST_F(PositioningTest, TiesAmongTheTwoNearestGoToTheOwnPlayer) {
    const Vec2 point{0, 0};
    placeSelf({3, 0});
    place(kMate, 3, {0, 2});
    place(kMate, 5, {-3, 0});  // as near as the own player, examined first
    EXPECT_TRUE(positioning.amongTwoNearest(point, false));
    place(kMate, 5, {4, 0});
    place(kMate, 9, {0, -3});  // as near, examined after the own player
    EXPECT_TRUE(positioning.amongTwoNearest(point, false));
    place(kMate, 10, {0, 2.9});
    EXPECT_FALSE(positioning.amongTwoNearest(point, false));

    // A goalie nearer than the own player counts only when goalies are included.
    place(kMate, 10, {50, 0});
    PlayerRecord& goalie = place(kMate, 1, {1, 0});
    goalie.goalieTime = kNow;
    goalie.goalie = 1;
    EXPECT_TRUE(positioning.amongTwoNearest(point, false));
    EXPECT_FALSE(positioning.amongTwoNearest(point, true));
}

TEST_F(PositioningTest, SituationTests) {
    EXPECT_TRUE(positioning.withinKickDistance({0, 0}, {1.08, 0}));
    EXPECT_FALSE(positioning.withinKickDistance({0, 0}, {1.09, 0}));

    EXPECT_FALSE(positioning.ballInOwnPenaltyArea());
    placeBall({-36.1, 20.07});
    EXPECT_TRUE(positioning.ballInOwnPenaltyArea());
    placeBall({-36.08, 0});
    EXPECT_FALSE(positioning.ballInOwnPenaltyArea());
    placeBall({-52.42, 0});
    EXPECT_FALSE(positioning.ballInOwnPenaltyArea());

    EXPECT_TRUE(Positioning::inOpponentPenaltyArea({36, -20.16}));
    EXPECT_TRUE(Positioning::inOpponentPenaltyArea({52.5, 20.16}));
    EXPECT_FALSE(Positioning::inOpponentPenaltyArea({35.99, 0}));
    EXPECT_FALSE(Positioning::inOpponentPenaltyArea({40, 20.17}));

    const Region r{-10, 10, -5, 5};
    EXPECT_FALSE(Positioning::insideRegion({10, 0}, r, 0));
    EXPECT_TRUE(Positioning::insideRegion({10, 0}, r, 0.01));
    EXPECT_FALSE(Positioning::insideRegion({0, 4}, r, -1));

    placeSelf({0, 0});
    PlayerRecord& goalie = place(kMate, 1, {0, 3});
    goalie.goalieTime = kNow;
    goalie.goalie = 1;
    EXPECT_FALSE(positioning.teammateNear({0, 0}, 5, false));  // the own player never counts
    EXPECT_TRUE(positioning.teammateNear({0, 0}, 5, true));
    EXPECT_FALSE(positioning.twoTeammatesNear({0, 0}, 5, false));
    EXPECT_TRUE(positioning.twoTeammatesNear({0, 0}, 5, true));  // the own player counts
    EXPECT_TRUE(positioning.twoTeammatesNear({0, 0}, 3, true));
    EXPECT_FALSE(positioning.twoTeammatesNear({0, 0}, 2.99, true));

    PlayerRecord& keeper = place(kOpp, 1, {4, 0});
    keeper.goalieTime = kNow;
    keeper.goalie = 1;
    EXPECT_FALSE(positioning.opponentNear({0, 0}, 4, false));
    EXPECT_TRUE(positioning.opponentNear({0, 0}, 4, true));
    EXPECT_FALSE(positioning.playerNear({0, 0}, 4, false, false));
    EXPECT_TRUE(positioning.playerNear({0, 0}, 4, true, false));
    EXPECT_TRUE(positioning.playerNear({0, 0}, 4, false, true));
}

}  // namespace
}  // namespace zamo
