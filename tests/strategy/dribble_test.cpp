// The dribble: which run it settles on, and the command it emits for it.
#include <gtest/gtest.h>

#include <cmath>

#include "behaviour_fixture.h"

namespace zamo::test {
namespace {

using DribbleTest = BehaviourTest;

constexpr Vec2 kGoal{52.5, 0.0};

double towardsGoal(const Geometry& geometry, Vec2 from) {
    return geometry.directionTo(from, kGoal);
}

TEST_F(DribbleTest, WithNoOpponentTheFirstDirectionRunsEightCyclesAndEndsTheSearch) {
    const Vec2 start{0.0, 10.0};
    placeSelf(start, towardsGoal(geometry, start));
    placeBall({0.4, 10.0});
    const DribbleRun run = dribbler.searchRun(kDribbleAllDirections, 0.6);
    EXPECT_EQ(run.length, 8);
    EXPECT_EQ(run.turnCycles, 0);
    EXPECT_FALSE(run.late);
    EXPECT_FALSE(run.close);
    EXPECT_NEAR(run.direction, towardsGoal(geometry, start), 1e-9);
    // Seven dashes after the first cycle carry the player on along the body line.
    const double ran = skills.dashDistance(0.6, params.staminaMax, 7);
    EXPECT_NEAR(distance(run.end, start), ran, 1e-9);
}

TEST_F(DribbleTest, ForwardOnlyModeTriesJustTheFirstThreeDirections) {
    const Vec2 start{0.0, 10.0};
    const double body = towardsGoal(geometry, start);
    placeSelf(start, body);
    placeBall({0.4, 10.0});
    // Half a metre straight ahead, standing: it reaches every spot in front of the player.
    placeOpponent(4,
                  start + Vec2{0.5 * std::cos(body * kDegToRad), 0.5 * std::sin(body * kDegToRad)},
                  body + 180.0);

    EXPECT_EQ(dribbler.searchRun(kDribbleForwardOnly, 0.6).length, 0);
    EXPECT_FALSE(dribbler.dribble(commands, kDribbleForwardOnly, 0.6, kKeep));
    EXPECT_EQ(commands.count, 0);

    // All eight: a run to the side or back gets away from it.
    const DribbleRun run = dribbler.searchRun(kDribbleAllDirections, 0.6);
    EXPECT_EQ(run.length, 8);
    EXPECT_EQ(run.turnCycles, 1);
    EXPECT_GE(std::abs(geometry.subtractAngles(run.direction, body)), 90.0 - 1e-9);
}

TEST_F(DribbleTest, AnOpponentThatJustTackledIsIgnored) {
    const Vec2 start{0.0, 10.0};
    const double body = towardsGoal(geometry, start);
    placeSelf(start, body);
    placeBall({0.4, 10.0});
    PlayerRecord& blocker = placeOpponent(
        4, start + Vec2{3.0 * std::cos(body * kDegToRad), 3.0 * std::sin(body * kDegToRad)},
        body + 180.0);
    EXPECT_NE(dribbler.searchRun(kDribbleAllDirections, 0.6).direction, body);

    blocker.tackleTime = kNow - 3;
    const DribbleRun run = dribbler.searchRun(kDribbleAllDirections, 0.6);
    EXPECT_EQ(run.length, 8);
    EXPECT_NEAR(run.direction, body, 1e-9);

    // Ten cycles later it can move again.
    blocker.tackleTime = kNow - params.tackleCycles;
    EXPECT_NE(dribbler.searchRun(kDribbleAllDirections, 0.6).direction, body);
}

TEST_F(DribbleTest, RunsThatLeaveTheFieldEndAtOnce) {
    // One metre from the side line, facing out of the field and drifting outwards.
    placeSelf({0.0, 33.0}, 90.0, Vec2{0.0, 0.5});
    placeBall({0.0, 33.4});
    const DribbleRun run = dribbler.searchRun(kDribbleAllDirections, 0.6);
    ASSERT_GT(run.length, 0);
    EXPECT_LT(run.end.y, 34.0 - (params.playerSize + params.kickableMargin + params.ballSize));
}

TEST_F(DribbleTest, TheGoalieNeverDribbles) {
    config.isGoalie = 1;
    placeSelf({-40.0, 0.0}, 0.0);
    placeBall({-39.6, 0.0});
    EXPECT_FALSE(dribbler.dribble(commands, kDribbleAllDirections, 0.6, kKeep));
    EXPECT_EQ(commands.count, 0);
}

TEST_F(DribbleTest, ABallAtTheFeetIsKickedAlongTheRun) {
    const Vec2 start{0.0, 10.0};
    const double body = towardsGoal(geometry, start);
    placeSelf(start, body);
    placeBall(start + Vec2{0.4 * std::cos(body * kDegToRad), 0.4 * std::sin(body * kDegToRad)});
    ASSERT_TRUE(dribbler.dribble(commands, kDribbleAllDirections, 0.6, kLookMayCancel));
    ASSERT_EQ(commands.count, 1);
    const ServerCommand& kick = commands.entries[0];
    EXPECT_EQ(kick.kind, kKickCommand);
    EXPECT_EQ(kick.essential, kLookMayCancel);
    // The ball goes to beside the end of an eight-cycle run: a placing kick, not a full one.
    EXPECT_GT(kick.firstValue, 3.7);
    EXPECT_LE(kick.firstValue, 100.0);
    EXPECT_LT(std::abs(kick.secondValue), 10.0);
}

TEST_F(DribbleTest, ABallRollingAwayOnTheRunIsChasedWithADash) {
    const Vec2 start{0.0, 10.0};
    const double body = towardsGoal(geometry, start);
    placeSelf(start, body);
    // 1.2 m ahead, rolling on along the body line at 0.5 m/cycle.
    const Vec2 heading{std::cos(body * kDegToRad), std::sin(body * kDegToRad)};
    placeBall(start + heading * 1.0, heading * 0.5);
    ASSERT_TRUE(dribbler.dribble(commands, kDribbleAllDirections, 0.6, kKeep));
    ASSERT_EQ(commands.count, 1);
    EXPECT_EQ(commands.entries[0].kind, kDashCommand);
    EXPECT_GT(commands.entries[0].firstValue, 0.6 / 1.4 / params.dashPowerRate);
}

}  // namespace
}  // namespace zamo::test
