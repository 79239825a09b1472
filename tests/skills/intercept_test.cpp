#include <algorithm>
#include <cmath>
#include <random>

#include "tests/skills/skills_fixture.h"

namespace zamo::test {
namespace {

using InterceptTest = SkillsTest;

InterceptProblem restingBallProblem(Vec2 player, double body, Vec2 ball) {
    InterceptProblem problem;
    problem.position = player;
    problem.bodyDirection = body;
    problem.velocityDirection = body;
    problem.stamina = 4000.0;
    problem.targetPosition = ball;
    problem.dashAccel = 0.6;
    problem.reach = 1.085;
    return problem;
}

TEST_F(InterceptTest, BallBehindNeedsATurnUnlessRunningBackwards) {
    placeSelf({0, 0}, 0.0);
    placeBall({-3, 0});
    // Three dashes bring 3 m within reach; forwards a turn comes first.
    FastestPlayer forwards = skills.fastestTeammate(kFullDash, 0);
    ASSERT_TRUE(forwards.result.has_value());
    EXPECT_EQ(forwards.result->turnCycles, 1);
    EXPECT_EQ(forwards.result->dashCycles, 3);
    EXPECT_EQ(forwards.cycles, 4);
    // Backwards under a cap of 5 saves the turn.
    FastestPlayer backwards = skills.fastestTeammate(kFullDash, 5);
    ASSERT_TRUE(backwards.result.has_value());
    EXPECT_EQ(backwards.cycles, 3);
    EXPECT_EQ(backwards.result->turnCycles, 0);
    EXPECT_DOUBLE_EQ(backwards.result->bodyDirection, 180.0);
    // A cap of 3 leaves no room for it: the forwards run stands.
    EXPECT_EQ(skills.fastestTeammate(kFullDash, 3).cycles, 4);
}

TEST_F(InterceptTest, EachPlayerRunsAsItsTypeAllows) {
    // Two opponents at the same distance from a resting ball: ties go to the lower number,
    // unless the other dashes harder by its type.
    placeBall({0, 0});
    place(PlayerSide::kOpponent, 1, {0, 8}, -90.0, Vec2{});
    place(PlayerSide::kOpponent, 2, {0, -8}, 90.0, Vec2{});
    FastestPlayer fastest = skills.fastestOpponent(kFullDash, 0);
    ASSERT_TRUE(fastest.result.has_value());
    EXPECT_EQ(fastest.result->playerIndex, 0);
    params.playerTypes[7].dashPowerRate = 0.009;
    player(PlayerSide::kOpponent, 2).type = 7;
    fastest = skills.fastestOpponent(kFullDash, 0);
    ASSERT_TRUE(fastest.result.has_value());
    EXPECT_EQ(fastest.result->playerIndex, 1);
    EXPECT_NEAR(fastest.result->dashAccel, 0.9, 1e-12);
    // A dash share is a share of that player's strongest dash.
    EXPECT_NEAR(skills.fastestOpponent(kWalkDash, 0).result->dashAccel, 0.45, 1e-12);
    // Tired, the own player runs at what its effort gives.
    PlayerRecord& me = placeSelf({0, 20}, -90.0, Vec2{});
    me.effortTime = kNow;
    me.effort = 0.8;
    InterceptResult own;
    ASSERT_NE(skills.ownInterceptRank(own, kFullDash, 0), 0);
    EXPECT_NEAR(own.dashAccel, 0.48, 1e-12);
}

TEST_F(InterceptTest, TurnRestartsTheRunFromOneCycleLater) {
    // The ball rolls towards +x while the player, facing away, must turn first.
    InterceptProblem problem = restingBallProblem({0, 0}, 180.0, {5, 0});
    problem.targetSpeed = 0.5;
    problem.speed = 0.3;
    problem.velocityDirection = 90.0;
    const std::optional<InterceptResult> result = skills.simulateIntercept(problem);
    ASSERT_TRUE(result.has_value());
    // Drifting at 0.3 the turns manage 72 degrees, then 112.5.
    EXPECT_EQ(result->turnCycles, 2);
}

TEST_F(InterceptTest, UnknownOpponentMotion) {
    place(PlayerSide::kOpponent, 4, {0, 0}, 0.0);
    placeBall({20, 0});
    const std::optional<InterceptProblem> problem =
        skills.buildInterceptProblem(PlayerSide::kOpponent, 3, true);
    ASSERT_TRUE(problem.has_value());
    EXPECT_DOUBLE_EQ(problem->speed, 0.48);
    EXPECT_DOUBLE_EQ(problem->velocityDirection, 0.0);
    EXPECT_DOUBLE_EQ(problem->stamina, 4000.0);

    // Without a body direction it faces, and drifts towards, the ball.
    place(PlayerSide::kOpponent, 5, {20, 10});
    const std::optional<InterceptProblem> unseen =
        skills.buildInterceptProblem(PlayerSide::kOpponent, 4, true);
    ASSERT_TRUE(unseen.has_value());
    EXPECT_DOUBLE_EQ(unseen->bodyDirection, -90.0);
    EXPECT_DOUBLE_EQ(unseen->velocityDirection, -90.0);
    // A teammate of unknown motion stands still.
    place(PlayerSide::kTeammate, 6, {0, 0}, 0.0);
    EXPECT_DOUBLE_EQ(skills.buildInterceptProblem(PlayerSide::kTeammate, 5, true)->speed, 0.0);
}

TEST_F(InterceptTest, BuildingNeedsPositionsAndTakesKnownValues) {
    EXPECT_FALSE(skills.buildInterceptProblem(PlayerSide::kTeammate, 1, false).has_value());
    PlayerRecord& keeper = place(PlayerSide::kTeammate, 2, {-50, 0}, 0.0, Vec2{0.3, 0.4});
    keeper.goalieTime = kNow;
    keeper.goalie = 1;
    keeper.staminaTime = kNow;
    keeper.stamina = 2000.0;
    // With the ball asked for, an unknown ball fails the build.
    EXPECT_FALSE(skills.buildInterceptProblem(PlayerSide::kTeammate, 1, true).has_value());
    placeBall({-40, 0}, Vec2{0, -1});
    const std::optional<InterceptProblem> problem =
        skills.buildInterceptProblem(PlayerSide::kTeammate, 1, true);
    ASSERT_TRUE(problem.has_value());
    EXPECT_DOUBLE_EQ(problem->reach, 2.0);
    EXPECT_DOUBLE_EQ(problem->speed, 0.5);
    EXPECT_NEAR(problem->velocityDirection, 53.130102, 1e-6);
    EXPECT_DOUBLE_EQ(problem->stamina, 2000.0);
    EXPECT_DOUBLE_EQ(problem->targetSpeed, 1.0);
    EXPECT_DOUBLE_EQ(problem->targetDirection, -90.0);
    EXPECT_FALSE(skills.buildInterceptProblem(PlayerSide::kTeammate, 11, true).has_value());
    EXPECT_FALSE(skills.buildInterceptProblem(PlayerSide::kTeammate, -1, true).has_value());

    const std::optional<InterceptProblem> reach =
        skills.buildReachProblem(PlayerSide::kOpponent, 0, {0, 0});
    EXPECT_FALSE(reach.has_value());
    place(PlayerSide::kOpponent, 1, {10, 10});
    const std::optional<InterceptProblem> toPoint =
        skills.buildReachProblem(PlayerSide::kOpponent, 0, {0, 0});
    ASSERT_TRUE(toPoint.has_value());
    EXPECT_DOUBLE_EQ(toPoint->bodyDirection, -135.0);
    expectNear(toPoint->targetPosition, {0, 0});
}

TEST_F(InterceptTest, NobodyKnownReachesNothing) {
    placeBall({0, 0});
    FastestPlayer fastest = skills.fastestTeammate(kFullDash, 5);
    EXPECT_EQ(fastest.cycles, kUnreachableCycles);
    EXPECT_FALSE(fastest.result.has_value());
    EXPECT_EQ(skills.fastestOpponent(kFullDash, 5).cycles, kUnreachableCycles);
    // Players known, ball unknown: still nobody.
    world().ballPositionTime = kNoTime;
    place(PlayerSide::kOpponent, 3, {1, 1}, 0.0);
    EXPECT_FALSE(skills.fastestOpponent(kFullDash, 5).result.has_value());
}

TEST_F(InterceptTest, TiesGoToTheLowerNumber) {
    placeBall({0, 0});
    place(PlayerSide::kTeammate, 3, {0, -8}, 90.0);
    place(PlayerSide::kTeammate, 2, {0, 8}, -90.0);
    place(PlayerSide::kTeammate, 4, {0, 20}, -90.0);
    FastestPlayer fastest = skills.fastestTeammate(kFullDash, 0);
    ASSERT_TRUE(fastest.result.has_value());
    EXPECT_EQ(fastest.result->playerIndex, 1);
    EXPECT_GT(fastest.cycles, 0);
    // Also when both stand at the ball and need no cycle at all.
    place(PlayerSide::kOpponent, 7, {0.5, 0}, 180.0);
    place(PlayerSide::kOpponent, 9, {-0.5, 0}, 0.0);
    fastest = skills.fastestOpponent(kFullDash, 0);
    ASSERT_TRUE(fastest.result.has_value());
    EXPECT_EQ(fastest.cycles, 0);
    EXPECT_EQ(fastest.result->playerIndex, 6);
}

TEST_F(InterceptTest, OwnRankCountsFasterTeammates) {
    InterceptResult result;
    EXPECT_EQ(skills.ownInterceptRank(result, kFullDash, 0), 0);  // nothing known
    placeSelf({0, 0}, 0.0);
    placeBall({10, 0});
    EXPECT_EQ(skills.ownInterceptRank(result, kFullDash, 0), 1);
    EXPECT_EQ(result.playerIndex, 0);
    const int own = result.cycles();
    place(PlayerSide::kTeammate, 5, {12, 0}, 180.0);
    EXPECT_EQ(skills.ownInterceptRank(result, kFullDash, 0), 2);
    EXPECT_EQ(result.cycles(), own);
    place(PlayerSide::kTeammate, 6, {8, 0}, 0.0);
    EXPECT_EQ(skills.ownInterceptRank(result, kFullDash, 0), 0);
    // Opponents do not count.
    player(PlayerSide::kTeammate, 5).positionTime = kNoTime;
    player(PlayerSide::kTeammate, 6).positionTime = kNoTime;
    place(PlayerSide::kOpponent, 5, {10, 0});
    EXPECT_EQ(skills.ownInterceptRank(result, kFullDash, 0), 1);
    // A teammate as quick as the own player is not faster.
    placeBall({0.5, 0});
    place(PlayerSide::kTeammate, 2, {1.0, 0}, 180.0);
    EXPECT_EQ(skills.ownInterceptRank(result, kFullDash, 0), 1);
}

TEST_F(InterceptTest, OwnRankUsesKickReachEvenAsGoalie) {
    PlayerRecord& own = placeSelf({0, 0}, 0.0);
    own.goalieTime = kNow;
    own.goalie = 1;
    config.isGoalie = 1;
    placeBall({1.5, 0});
    InterceptResult result;
    EXPECT_EQ(skills.ownInterceptRank(result, kFullDash, 0), 1);
    EXPECT_DOUBLE_EQ(result.reach, 1.085);
    EXPECT_EQ(result.dashCycles, 1);
    // The goalie's own catch radius does count when it races its teammates.
    EXPECT_EQ(skills.fastestTeammate(kFullDash, 0).cycles, 0);
}

TEST_F(InterceptTest, OwnRankRefusesMeetingsFarOutside) {
    placeSelf({50, 20}, 0.0);
    InterceptResult result;
    placeBall({54.49, 20});
    EXPECT_EQ(skills.ownInterceptRank(result, kFullDash, 0), 1);
    placeBall({54.5, 20});
    EXPECT_EQ(skills.ownInterceptRank(result, kFullDash, 0), 0);
    placeSelf({10, 34}, 90.0);
    placeBall({10, 35.99});
    EXPECT_EQ(skills.ownInterceptRank(result, kFullDash, 0), 1);
    placeBall({10, 36.0});
    EXPECT_EQ(skills.ownInterceptRank(result, kFullDash, 0), 0);
}

TEST_F(InterceptTest, CapBoundsEveryRun) {
    InterceptProblem problem = restingBallProblem({0, 0}, 0.0, {30, 0});
    problem.cycleCap = 10;
    EXPECT_FALSE(skills.simulateIntercept(problem).has_value());
    EXPECT_FALSE(skills.simulateReach(problem).has_value());
    // A dash that moves nothing ends at the cap instead of running on for ever.
    problem.dashAccel = 0.0;
    problem.cycleCap = kUnreachableCycles;
    EXPECT_FALSE(skills.simulateIntercept(problem).has_value());
    EXPECT_FALSE(skills.simulateReach(problem).has_value());
    problem.cycleCap = 0;
    problem.targetPosition = {0.5, 0};
    EXPECT_FALSE(skills.simulateIntercept(problem).has_value());
    EXPECT_FALSE(skills.simulateReach(problem).has_value());
}

TEST_F(InterceptTest, ExhaustedPlayerWaitsInsteadOfRunningBackwards) {
    // Stamina 0: 27 cycles recover 1215 (14 usable), the next dashes run 0.084 m, 0.3876 m,
    // 0.779 m; the third brings the ball 1.5 m ahead within reach.
    InterceptProblem problem = restingBallProblem({0, 0}, 0.0, {1.5, 0});
    problem.stamina = 0.0;
    const std::optional<InterceptResult> result = skills.simulateIntercept(problem);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->cycles(), 30);
    EXPECT_EQ(skills.simulateReach(problem)->cycles(), 30);
}

TEST_F(InterceptTest, ReachTurnsWithoutRestart) {
    // Five dashes bring a point 5 m behind within reach; the turn is then added on top.
    InterceptProblem problem = restingBallProblem({0, 0}, 0.0, {-5, 0});
    std::optional<InterceptResult> result = skills.simulateReach(problem);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->dashCycles, 5);
    EXPECT_EQ(result->turnCycles, 1);
    expectNear(result->targetPosition, {-5, 0});
    problem.cycleCap = 6;
    EXPECT_FALSE(skills.simulateReach(problem).has_value());
    problem.cycleCap = 7;
    EXPECT_TRUE(skills.simulateReach(problem).has_value());
}

// Replays a successful simulation cycle by cycle with the plain physics: the player turns for
// the reported turn cycles, then dashes along its body line while it and the ball drift and
// decay. At the reported cycle the ball must be in reach: straight ahead within the facing
// tolerance and the run, or beside the body line within reach.
TEST_F(InterceptTest, ReplayConfirmsTheMeeting) {
    std::mt19937 random(20240611);
    const auto uniform = [&](double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random);
    };
    int met = 0;
    for (int trial = 0; trial < 3000; ++trial) {
        InterceptProblem problem;
        problem.position = {uniform(-50, 50), uniform(-32, 32)};
        problem.speed = uniform(0.0, 1.0);
        problem.velocityDirection = uniform(-180, 180);
        problem.bodyDirection = uniform(-180, 180);
        problem.stamina = trial % 4 == 0 ? uniform(0, 1500) : uniform(1500, 4000);
        problem.targetPosition =
            problem.position +
            Vec2{std::cos(trial * 0.7), std::sin(trial * 0.7)} * uniform(0.0, 30.0);
        problem.targetSpeed = uniform(0.0, 2.7);
        problem.targetDirection = uniform(-180, 180);
        problem.dashAccel = uniform(0.2, 0.6);
        problem.reach = trial % 5 == 0 ? 2.0 : 1.085;
        problem.backwards = trial % 3 == 0;
        problem.cycleCap = 200;
        const std::optional<InterceptResult> result = skills.simulateIntercept(problem);
        if (!result) {
            continue;
        }
        ++met;

        Vec2 player = problem.position;
        double drift = problem.speed;
        const Vec2 driftLine{std::cos(problem.velocityDirection * kDegToRad),
                             std::sin(problem.velocityDirection * kDegToRad)};
        Vec2 ball = problem.targetPosition;
        double ballSpeed = problem.targetSpeed;
        const Vec2 ballLine{std::cos(problem.targetDirection * kDegToRad),
                            std::sin(problem.targetDirection * kDegToRad)};
        double stamina = problem.stamina;
        double turnable = 0.0;
        const auto cycle = [&] {
            player += driftLine * drift;
            drift *= 0.4;
            ball += ballLine * ballSpeed;
            ballSpeed *= 0.94;
        };
        for (int i = 0; i < result->turnCycles; ++i) {
            turnable += 180.0 / (1.0 + 5.0 * drift);
            cycle();
            stamina = std::min(4000.0, stamina + 45.0);
        }
        const double power = problem.dashAccel / 0.006;
        const double costFactor = problem.backwards ? 2.0 : 1.0;
        double run = 0.0;
        double runSpeed = 0.0;
        for (int i = 0; i < result->dashCycles; ++i) {
            cycle();
            const double usable = stamina - 1201.0;
            const double used =
                usable >= power * costFactor ? power : std::max(0.0, usable) / costFactor;
            runSpeed += used * 0.006;
            run += runSpeed;
            runSpeed *= 0.4;
            stamina = std::min(4000.0, stamina + 45.0 - used);
            ASSERT_GE(run, 0.0);
        }
        expectNear(result->driftPosition, player, 1e-9);
        expectNear(result->targetPosition, ball, 1e-9);

        const double running = problem.bodyDirection + (problem.backwards ? 180.0 : 0.0);
        const double gap = distance(player, ball);
        const double toBall = std::remainder(
            std::atan2(ball.y - player.y, ball.x - player.x) * kRadToDeg - running, 360.0);
        const double turned = std::clamp(toBall, -turnable, turnable);
        const double tolerance = std::max(std::atan2(problem.reach, gap) * kRadToDeg, 5.0);
        const bool straightOn = gap == 0.0 || (std::abs(toBall - turned) <= tolerance + 1e-9 &&
                                               run + problem.reach >= gap - 1e-9);
        const Vec2 line{std::cos((running + turned) * kDegToRad),
                        std::sin((running + turned) * kDegToRad)};
        const Vec2 offset = ball - player;
        const double along = std::clamp(offset.x * line.x + offset.y * line.y, -run, run);
        const bool besideLine = distance(player + line * along, ball) <= problem.reach + 1e-9;
        EXPECT_TRUE(straightOn || besideLine) << "trial " << trial << ": gap " << gap << ", run "
                                              << run << ", off " << toBall - turned;
    }
    EXPECT_GT(met, 2000);
}

}  // namespace
}  // namespace zamo::test
