#include <array>
#include <cmath>

#include "agent/perception/server_command.h"
#include "tests/skills/skills_fixture.h"

namespace zamo::test {
namespace {

CommandList listOf(std::initializer_list<std::array<double, 3>> commands) {
    CommandList list;
    for (const auto& [kind, first, second] : commands) {
        list.append({static_cast<int>(kind), 0, first, second});
    }
    return list;
}

using MotionModelTest = SkillsTest;

TEST_F(MotionModelTest, StrongestDashNeverTurnsTheDashRound) {
    EXPECT_DOUBLE_EQ(skills.maxDashAccel(4000.0, 1.0, 1.0), 0.6);
    EXPECT_DOUBLE_EQ(skills.maxDashAccel(4000.0, 1.0, -1.0), -0.6);
    // Effort shrinks the acceleration once the power is clamped.
    EXPECT_DOUBLE_EQ(skills.maxDashAccel(4000.0, 0.8, 1.0), 0.48);
    // 700 lies below the recovery threshold: no usable stamina, so no dash at all.
    EXPECT_DOUBLE_EQ(skills.maxDashAccel(700.0, 1.0, 1.0), 0.0);
    EXPECT_DOUBLE_EQ(skills.maxDashAccel(700.0, 1.0, -1.0), 0.0);
    // 50 usable pays for power 50 forwards, and for half of it backwards.
    EXPECT_DOUBLE_EQ(skills.maxDashAccel(1251.0, 1.0, 1.0), 0.3);
    EXPECT_DOUBLE_EQ(skills.maxDashAccel(1251.0, 1.0, -1.0), -0.15);
}

TEST_F(MotionModelTest, RunsFromRest) {
    // 0.6, then 0.6 + 0.24, then 0.6 + 0.336.
    EXPECT_NEAR(skills.dashDistance(0.6, 4000.0, 3), 2.376, 1e-12);
    EXPECT_NEAR(skills.dashDistanceFromRest(0.6, 3, skills.ownType()), 2.376, 1e-12);
    EXPECT_DOUBLE_EQ(skills.dashDistance(0.6, 4000.0, 0), 0.0);
    EXPECT_DOUBLE_EQ(skills.dashDistanceFromRest(0.6, 0, skills.ownType()), 0.0);
    // Exhausted: the first cycle has nothing to pay with, the second recovered 45.
    EXPECT_NEAR(skills.dashDistance(0.6, 1201.0, 2), 0.27, 1e-12);
    // Far below the threshold the player stands still rather than running backwards.
    EXPECT_DOUBLE_EQ(skills.dashDistance(0.6, 0.0, 5), 0.0);
    EXPECT_EQ(skills.cyclesToCover(1.0, 1.085, 0.6, skills.ownType()), 0);
    // Runs 0.6, 1.44, 2.376: the third brings 3 m within reach.
    EXPECT_EQ(skills.cyclesToCover(3.0, 1.085, 0.6, skills.ownType()), 3);
    EXPECT_EQ(skills.cyclesToCover(3.0, 1.085, 0.0, skills.ownType()), kUnreachableCycles);
    EXPECT_EQ(skills.cyclesToCover(3.0, 1.085, -0.6, skills.ownType()), kUnreachableCycles);
    EXPECT_EQ(skills.cyclesToCover(1e9, 1.085, 1e-9, skills.ownType()), kUnreachableCycles);
}

TEST_F(MotionModelTest, BallTravel) {
    EXPECT_DOUBLE_EQ(skills.ballFirstSpeed(7.0, 1), 7.0);
    EXPECT_DOUBLE_EQ(skills.ballFirstSpeed(7.0, 0), 7.0);
    EXPECT_DOUBLE_EQ(skills.ballFirstSpeed(7.0, -3), 7.0);
    const double first = skills.ballFirstSpeed(10.0, 2);
    EXPECT_NEAR(first + first * 0.94, 10.0, 1e-12);
    EXPECT_EQ(skills.ballCyclesToTravel(10.0, 1.0), 15);
    EXPECT_EQ(skills.ballCyclesToTravel(10.0, 0.05), 0);
    EXPECT_EQ(skills.ballCyclesToTravel(0.0, 1.0), 0);
    // The ball dies (below 0.1 after 38 cycles) about 15 m out: the count so far is returned.
    EXPECT_EQ(skills.ballCyclesToTravel(100.0, 1.0), 38);
}

TEST_F(MotionModelTest, FacingAndTurns) {
    EXPECT_EQ(skills.turnCyclesToFace(0.0, 4.9, 50.0, 0.0, 1.085, 0.0, skills.ownType()), 0);
    EXPECT_NEAR(skills.facingTolerance(0.5, 1.085, 0.0), 65.26, 0.01);
    EXPECT_EQ(skills.turnCyclesToFace(0.0, 60.0, 0.5, 0.0, 1.085, 0.0, skills.ownType()), 0);
    EXPECT_EQ(skills.turnCyclesToFace(0.0, 90.0, 50.0, 0.0, 1.085, 0.0, skills.ownType()), 1);
    // At speed 1 the turns grow 30, 60, 100 degrees: three reach 175 either way.
    EXPECT_EQ(skills.turnCyclesToFace(0.0, 180.0, 50.0, 1.0, 1.085, 0.0, skills.ownType()), 3);
    EXPECT_EQ(skills.turnCyclesToFace(0.0, -175.0, 50.0, 1.0, 1.085, 0.0, skills.ownType()), 3);
    // 178 degrees off the body: only a backwards run faces it.
    EXPECT_TRUE(skills.facingWithin(10.0, -172.0, 50.0, 1.085, 0.0, true));
    EXPECT_FALSE(skills.facingWithin(10.0, -172.0, 50.0, 1.085, 0.0, false));
    EXPECT_FALSE(skills.facingWithin(10.0, 178.0, 50.0, 1.085, 0.0, true));
    // 3 degrees apart across the +-180 seam.
    EXPECT_TRUE(skills.facingWithin(178.0, -179.0, 50.0, 1.085, 0.0, false));
    // No distance: the tolerance stays finite.
    EXPECT_DOUBLE_EQ(skills.facingTolerance(0.0, 0.0, 0.0), 5.0);
}

TEST_F(MotionModelTest, TackleFailProbability) {
    EXPECT_NEAR(skills.tackleFailProbability({0, 0}, {-0.5, 0}, 0.0), 1.0, 1e-12);
    EXPECT_NEAR(skills.tackleFailProbability({0, 0}, {0, 1}, 90.0), 0.015625, 1e-12);
    EXPECT_NEAR(skills.tackleFailProbability({0, 0}, {0, 1}, 0.0), 1.0, 1e-12);
    // The real server's tackle back distance of 0: a ball behind or beside the body is out of
    // reach, and nothing divides by zero.
    params.tackleBackDist = 0.0;
    EXPECT_EQ(skills.tackleFailProbability({0, 0}, {-0.5, 0}, 0.0), 1.0);
    EXPECT_EQ(skills.tackleFailProbability({0, 0}, {0, 0.5}, 0.0), 1.0);
    EXPECT_EQ(skills.tackleFailProbability({0, 0}, {0, 0}, 0.0), 1.0);
    EXPECT_NEAR(skills.tackleFailProbability({0, 0}, {1, 0}, 0.0), 0.015625, 1e-12);
}

TEST_F(MotionModelTest, EachPlayerMovesAndReachesAsItsTypeDoes) {
    PlayerType& slow = params.playerTypes[4];
    slow.kickableMargin = 0.601413;
    slow.inertiaMoment = 10.0;
    slow.playerDecay = 0.5;
    slow.kickPowerRate = 0.02;
    // The own reach and kick rate follow the own type.
    EXPECT_DOUBLE_EQ(skills.ownKickReach(), 1.085);
    self.type = 4;
    EXPECT_DOUBLE_EQ(skills.ownKickReach(), 0.3 + 0.601413 + 0.085);
    placeSelf({0, 0}, 0.0);
    placeBall({0.385, 0});
    skills.updateKickRate();
    EXPECT_NEAR(self.kickRate, 2.0, 1e-12);
    EXPECT_NEAR(skills.weakKickPower(), 0.1 / 0.02, 1e-12);
    // Turning at speed 1: 180 / 11 per cycle for the heavy type instead of 180 / 6, and its
    // speed decays more slowly: 85 degrees take 30 + 60 by default, 16.4 + 30 + 51.4 for it.
    EXPECT_NEAR(skills.maxTurnAngle(1.0, slow), 180.0 / 11.0, 1e-12);
    EXPECT_EQ(skills.turnCyclesToFace(0.0, 90.0, 50.0, 1.0, 1.085, 0.0, params.playerType(0)), 2);
    EXPECT_EQ(skills.turnCyclesToFace(0.0, 90.0, 50.0, 1.0, 1.085, 0.0, slow), 3);
    // A run from rest keeps more of its speed with the higher decay: 0.6 + 0.6 * 1.5.
    EXPECT_NEAR(skills.dashDistanceFromRest(0.6, 2, slow), 1.5, 1e-12);
    // An opponent of unknown motion comes on at its type's pace, and reaches with its margin.
    PlayerRecord& opponent = place(PlayerSide::kOpponent, 3, {5, 0}, 180.0);
    opponent.type = 4;
    const auto problem = skills.buildInterceptProblem(PlayerSide::kOpponent, 2, false);
    ASSERT_TRUE(problem.has_value());
    EXPECT_NEAR(problem->speed, 1.2 * 0.5, 1e-12);
    EXPECT_NEAR(problem->reach, 0.3 + 0.601413 + 0.085, 1e-12);
    EXPECT_EQ(problem->type, 4);
    // A goalie of a stretched type catches farther.
    slow.catchableAreaLStretch = 1.25;
    opponent.goalieTime = kNow;
    opponent.goalie = 1;
    EXPECT_NEAR(skills.playerReach(opponent), 2.5, 1e-12);
}

TEST_F(MotionModelTest, ShotSpeedAndWeakKickFollowTheParameters) {
    // The strongest kick of a ball a body radius off the body: 2.7 * (1 - 0.25 * 0.3 / 0.7).
    EXPECT_NEAR(skills.shotSpeed(), 2.410714, 1e-6);
    EXPECT_NEAR(skills.weakKickPower(), 0.1 / 0.027, 1e-12);
    params.ballSpeedMax = 2.0;
    EXPECT_DOUBLE_EQ(skills.shotSpeed(), 2.0);
}

TEST_F(MotionModelTest, KickRate) {
    placeSelf({0, 0}, 0.0);
    placeBall({0.385, 0});
    skills.updateKickRate();
    EXPECT_NEAR(self.kickRate, 2.7, 1e-12);
    // A quarter less at the side, and with the ball one kickable margin farther out.
    placeBall({0, 0.385});
    skills.updateKickRate();
    EXPECT_NEAR(self.kickRate, 2.7 * 0.875, 1e-12);
    placeBall({1.085, 0});
    skills.updateKickRate();
    EXPECT_NEAR(self.kickRate, 2.7 * 0.75, 1e-12);
    world().ballPositionTime = kNoTime;
    skills.updateKickRate();
    EXPECT_EQ(self.kickRate, kNoValue);
    EXPECT_EQ(skills.effectiveKickFactor(), kNoValue);
}

TEST_F(MotionModelTest, NeckTurnsStopAtTheLimits) {
    self.neckAngle = 90.0;
    EXPECT_FALSE(skills.neckTurnUseful(10.0));
    EXPECT_TRUE(skills.neckTurnUseful(-10.0));
    self.neckAngle = -90.0;
    EXPECT_FALSE(skills.neckTurnUseful(-10.0));
    self.neckAngle = 89.9;
    EXPECT_TRUE(skills.neckTurnUseful(10.0));
    EXPECT_FALSE(skills.neckTurnUseful(0.4));
}

TEST_F(MotionModelTest, PredictSelf) {
    EXPECT_EQ(skills.predictSelfPosition(listOf({})), (Vec2{kNoValue, kNoValue}));
    placeSelf({0, 0}, 90.0, Vec2{0.1, 0});
    self.effort = 0.9;
    expectNear(skills.predictSelfPosition(listOf({{1, 100.0, 0.0}})), {0.1, 0.54});
    expectNear(skills.predictSelfPosition(listOf({{4, 30.0, 0.0}, {8, 30.0, 0.0}})), {0.1, 0});
    expectNear(skills.predictSelfPosition(listOf({{3, -10.0, 5.0}})), {-10, 5});
    // A catch holds the player where it was seen, without its velocity.
    expectNear(skills.predictSelfPosition(listOf({{0, 45.0, 0.0}, {1, 50.0, 0.0}})), {0, 0.27});
    config.uniformNumber = kNoTime;
    EXPECT_EQ(skills.predictSelfPosition(listOf({})), (Vec2{kNoValue, kNoValue}));
}

TEST_F(MotionModelTest, PredictBall) {
    EXPECT_EQ(skills.predictBallPosition(listOf({})), (Vec2{kNoValue, kNoValue}));
    placeSelf({0, 0}, 0.0);
    placeBall({0.385, 0}, Vec2{1.0, 0});
    // Untouched, the ball rolls on.
    expectNear(skills.predictBallPosition(listOf({})), {1.385, 0});
    expectNear(skills.predictBallPosition(listOf({{2, 50.0, 0.0}})), {0.385 + 2.35, 0});
    // A teammate next to the ball stops it: only the kick moves it.
    place(PlayerSide::kTeammate, 2, {1.2, 0.5});
    expectNear(skills.predictBallPosition(listOf({{2, 50.0, 0.0}})), {0.385 + 1.35, 0});
    expectNear(skills.predictBallPosition(listOf({})), {0.385, 0});
}

TEST_F(MotionModelTest, PredictBallNeverFasterThanTheLimit) {
    placeSelf({0, 0}, 0.0);
    placeBall({0.385, 0}, Vec2{0, 2.0});
    const Vec2 once = skills.predictBallPosition(listOf({{2, 100.0, 0.0}}));
    EXPECT_NEAR(length(once - Vec2{0.385, 0}), 2.7, 1e-12);
    // Each kick of a list moves the ball at most by the speed limit.
    const Vec2 twice = skills.predictBallPosition(listOf({{2, 100.0, 0.0}, {2, 100.0, 90.0}}));
    EXPECT_LE(length(twice - once), 2.7 + 1e-12);
}

TEST_F(MotionModelTest, PredictBallTackleAndCatch) {
    placeSelf({0, 0}, 90.0);
    placeBall({0, 1.0});
    expectNear(skills.predictBallPosition(listOf({{5, 100.0, 0.0}})), {0, 3.7});
    expectNear(skills.predictBallPosition(listOf({{0, 0.0, 0.0}})), {0, 0.385});
    // Without the own place a kick cannot be predicted and is left out.
    player(PlayerSide::kTeammate, 1).positionTime = kNoTime;
    expectNear(skills.predictBallPosition(listOf({{2, 100.0, 0.0}})), {0, 1.0});
}

}  // namespace
}  // namespace zamo::test
