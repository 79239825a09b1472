// The dribble: which run it settles on, and the command it emits for it.
#include <gtest/gtest.h>

#include <cmath>

#include "behaviour_fixture.h"

namespace zamo::test {
namespace {

// The player at (0, 10) faces the opponent goal; the ball lies 0.4 m ahead unless a test moves it.
class DribbleTest : public BehaviourTest {
  protected:
    DribbleTest() {
        body = geometry.directionTo(kStart, {52.5, 0.0});
        placeSelf(kStart, body);
        placeBall(ahead(0.4));
    }

    Vec2 ahead(double metres) const {
        return kStart +
               Vec2{metres * std::cos(body * kDegToRad), metres * std::sin(body * kDegToRad)};
    }

    static constexpr Vec2 kStart{0.0, 10.0};
    double body = 0.0;
};

TEST_F(DribbleTest, WithNoOpponentTheFirstDirectionRunsEightCyclesAndTheBallIsKickedAlongIt) {
    const DribbleRun run = dribbler.searchRun(kDribbleAllDirections, kFullDash);
    EXPECT_EQ(run.length, 8);
    EXPECT_EQ(run.turnCycles, 0);
    EXPECT_FALSE(run.late);
    EXPECT_FALSE(run.close);
    EXPECT_NEAR(run.direction, body, 1e-9);
    // Seven dashes after the first cycle carry the player on along the body line.
    const double ran = skills.dashDistance(0.6, params.staminaMax, 7);
    EXPECT_NEAR(distance(run.end, kStart), ran, 1e-9);

    // The ball at the feet goes to beside the end of the run: a placing kick, not a full one.
    ASSERT_TRUE(dribbler.dribble(commands, kDribbleAllDirections, kFullDash, kLookMayCancel));
    ASSERT_EQ(commands.count, 1);
    const ServerCommand& kick = commands.entries[0];
    EXPECT_EQ(kick.kind, kKickCommand);
    EXPECT_EQ(kick.essential, kLookMayCancel);
    EXPECT_GT(kick.firstValue, 3.7);
    EXPECT_LE(kick.firstValue, 100.0);
    EXPECT_LT(std::abs(kick.secondValue), 10.0);
}

TEST_F(DribbleTest, ForwardOnlyModeTriesJustTheFirstThreeDirections) {
    // Half a metre straight ahead, standing: it reaches every spot in front of the player.
    placeOpponent(4, ahead(0.5), body + 180.0);

    EXPECT_EQ(dribbler.searchRun(kDribbleForwardOnly, kFullDash).length, 0);
    EXPECT_FALSE(dribbler.dribble(commands, kDribbleForwardOnly, kFullDash, kKeep));
    EXPECT_EQ(commands.count, 0);

    // All eight: a run to the side or back gets away from it.
    const DribbleRun run = dribbler.searchRun(kDribbleAllDirections, kFullDash);
    EXPECT_EQ(run.length, 8);
    EXPECT_EQ(run.turnCycles, 1);
    EXPECT_GE(std::abs(geometry.subtractAngles(run.direction, body)), 90.0 - 1e-9);
}

TEST_F(DribbleTest, AnOpponentThatJustTackledIsIgnored) {
    PlayerRecord& blocker = placeOpponent(4, ahead(3.0), body + 180.0);
    EXPECT_NE(dribbler.searchRun(kDribbleAllDirections, kFullDash).direction, body);

    blocker.tackleTime = kNow - 3;
    const DribbleRun run = dribbler.searchRun(kDribbleAllDirections, kFullDash);
    EXPECT_EQ(run.length, 8);
    EXPECT_NEAR(run.direction, body, 1e-9);

    // Ten cycles later it can move again.
    blocker.tackleTime = kNow - params.tackleCycles;
    EXPECT_NE(dribbler.searchRun(kDribbleAllDirections, kFullDash).direction, body);
}

TEST_F(DribbleTest, RunsThatLeaveTheFieldEndAtOnce) {
    // One metre from the side line, facing out of the field and drifting outwards.
    placeSelf({0.0, 33.0}, 90.0, Vec2{0.0, 0.5});
    placeBall({0.0, 33.4});
    const DribbleRun run = dribbler.searchRun(kDribbleAllDirections, kFullDash);
    ASSERT_GT(run.length, 0);
    EXPECT_LT(run.end.y, 34.0 - (params.playerSize + params.kickableMargin + params.ballSize));
}

TEST_F(DribbleTest, TheGoalieNeverDribbles) {
    config.isGoalie = 1;
    placeSelf({-40.0, 0.0}, 0.0);
    placeBall({-39.6, 0.0});
    EXPECT_FALSE(dribbler.dribble(commands, kDribbleAllDirections, kFullDash, kKeep));
    EXPECT_EQ(commands.count, 0);
}

TEST_F(DribbleTest, ABallRollingAwayOnTheRunIsChasedWithADash) {
    // 1 m ahead, rolling on along the body line at 0.5 m/cycle.
    placeBall(ahead(1.0), (ahead(1.0) - kStart) * 0.5);
    ASSERT_TRUE(dribbler.dribble(commands, kDribbleAllDirections, kFullDash, kKeep));
    ASSERT_EQ(commands.count, 1);
    EXPECT_EQ(commands.entries[0].kind, kDashCommand);
    EXPECT_GT(commands.entries[0].firstValue, 0.6 / 1.4 / params.dashPowerRate);
}

}  // namespace
}  // namespace zamo::test
