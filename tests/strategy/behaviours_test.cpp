// The small behaviours: each one's command for a hand-made situation.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <initializer_list>
#include <utility>

#include "behaviour_fixture.h"

namespace zamo::test {
namespace {

// The list holds exactly these kinds with these first values.
void expectCommands(const CommandList& list,
                    std::initializer_list<std::pair<int, double>> expected) {
    ASSERT_EQ(list.count, static_cast<int>(expected.size()));
    std::size_t i = 0;
    for (const auto& [kind, value] : expected) {
        EXPECT_EQ(list.entries[i].kind, kind) << i;
        EXPECT_NEAR(list.entries[i++].firstValue, value, 1e-9) << i;
    }
}

using KickTowardTest = BehaviourTest;

// The ball resting straight ahead and touching the body: the full kick power rate applies.
TEST_F(KickTowardTest, PowerCoversTheDistanceInTheGivenCycles) {
    placeSelf({0.0, 0.0}, 0.0);
    placeBall({params.playerSize + params.ballSize, 0.0});

    const ServerCommand once = behaviours.kickToward(10.0, 0.0, 1, kKeep);
    EXPECT_EQ(once.kind, kKickCommand);
    EXPECT_EQ(once.essential, kKeep);
    EXPECT_NEAR(once.firstValue, 370.370370, 1e-5);  // 10 / 0.027, not limited here
    EXPECT_NEAR(once.secondValue, 0.0, 1e-9);

    const ServerCommand five = behaviours.kickToward(10.0, 0.0, 5, kLookMayCancel);
    EXPECT_EQ(five.essential, kLookMayCancel);
    EXPECT_NEAR(five.firstValue, 83.5122, 1e-3);
}

TEST_F(KickTowardTest, DirectionIsRelativeToTheBodyAndThePowerGrowsWithTheGap) {
    placeSelf({5.0, 5.0}, 30.0);
    // 0.2 m beyond touching, 30 degrees off the body line.
    const double gap = params.playerSize + params.ballSize + 0.2;
    placeBall({5.0 + gap * std::cos(60.0 * kDegToRad), 5.0 + gap * std::sin(60.0 * kDegToRad)});
    const ServerCommand kick = behaviours.kickToward(4.0, 100.0, 1, kKeep);
    EXPECT_NEAR(kick.secondValue, 70.0, 1e-9);
    const double factor = 1.0 - 0.25 * 30.0 / 180.0 - 0.25 * 0.2 / params.kickableMargin;
    EXPECT_NEAR(kick.firstValue, 4.0 / (factor * params.kickPowerRate), 1e-6);
}

TEST_F(KickTowardTest, OnlyTheMissingSpeedOfARollingBallIsKicked) {
    placeSelf({0.0, 0.0}, 0.0);
    placeBall({params.playerSize + params.ballSize, 0.0}, Vec2{1.0, 0.0});
    const ServerCommand kick = behaviours.kickToward(10.0, 0.0, 1, kKeep);
    EXPECT_NEAR(kick.firstValue, 9.0 / params.kickPowerRate, 1e-6);
    EXPECT_NEAR(kick.secondValue, 0.0, 1e-9);

    // Sideways: the kick makes up the difference vector, not the lengths.
    placeBall({params.playerSize + params.ballSize, 0.0}, Vec2{0.0, 1.0});
    const ServerCommand across = behaviours.kickToward(1.0, 0.0, 1, kKeep);
    EXPECT_NEAR(across.firstValue, std::sqrt(2.0) / params.kickPowerRate, 1e-6);
    EXPECT_NEAR(across.secondValue, -45.0, 1e-9);
}

TEST_F(KickTowardTest, NoKickWithoutOwnPlaceBodyOrBallOrOutOfReach) {
    placeBall({0.4, 0.0});
    EXPECT_EQ(behaviours.kickToward(5.0, 0.0, 1, kKeep).kind, kNoCommand);
    placeSelf({0.0, 0.0}, 0.0);
    world().ballPositionTime = kNoTime;
    EXPECT_EQ(behaviours.kickToward(5.0, 0.0, 1, kKeep).kind, kNoCommand);
    // 4 m away the kick factor is below zero: a power from it would kick the wrong way.
    placeBall({4.0, 0.0});
    EXPECT_EQ(behaviours.kickToward(5.0, 0.0, 1, kKeep).kind, kNoCommand);
}

using ScanTurnTest = BehaviourTest;

TEST_F(ScanTurnTest, TurnsByHalfTheSumOfTheWantedAndTheCurrentConeOnlyAfterThisCyclesSee) {
    sensors.lastSee.time = kNow - 1;
    sensors.lastBody.time = kNow;
    EXPECT_FALSE(behaviours.scanTurn(commands, kKeep));
    sensors.lastSee.time = kNoTime;
    sensors.lastBody.time = kNoTime;
    EXPECT_FALSE(behaviours.scanTurn(commands, kKeep));
    sensors.lastSee.time = kNow;
    sensors.lastBody.time = kNow;
    self.wantedViewWidth = 3;
    EXPECT_FALSE(behaviours.scanTurn(commands, kKeep));
    EXPECT_EQ(commands.count, 0);

    self.wantedViewWidth = 1;
    self.viewWidth = 2;
    ASSERT_TRUE(behaviours.scanTurn(commands, kKeep));
    expectCommands(commands, {{kTurnCommand, 135.0}});
    EXPECT_EQ(commands.entries[0].essential, kKeep);
    commands = {};
    self.wantedViewWidth = 0;
    self.viewWidth = 0;
    ASSERT_TRUE(behaviours.scanTurn(commands, kLookMayCancel));
    EXPECT_DOUBLE_EQ(commands.entries[0].firstValue, 45.0);
}

using LookTowardTest = BehaviourTest;

TEST_F(LookTowardTest, WithinTheNeckRangeOnlyTheNeckTurnsFromTheViewpointAfterAPlannedTurn) {
    placeSelf({0.0, 0.0}, 0.0);
    self.neckAngle = 10.0;
    behaviours.lookToward(commands, 60.0, kKeep);
    expectCommands(commands, {{kTurnNeckCommand, 50.0}});

    // At 0.2 m/cycle a turn of 30 turns the body 15 degrees.
    self.neckAngle = 0.0;
    placeSelf({0.0, 0.0}, 0.0, Vec2{0.2, 0.0});
    commands = {};
    commands.append({kTurnCommand, kKeep, 30.0, 0.0});
    behaviours.lookToward(commands, 60.0, kKeep);
    expectCommands(commands, {{kTurnCommand, 30.0}, {kTurnNeckCommand, 45.0}});

    // The neck at its limit and the body kept for a dash: nothing more.
    placeSelf({0.0, 0.0}, 0.0, Vec2{});
    self.neckAngle = params.maxNeckAngle;
    commands = {};
    commands.append({kDashCommand, kKeep, 50.0, 0.0});
    behaviours.lookToward(commands, 170.0, kKeep);
    EXPECT_EQ(commands.count, 1);
}

TEST_F(LookTowardTest, BeyondTheNeckRangeTheBodyTurnsUnlessAnEssentialCommandKeepsIt) {
    // At 0.2 m/cycle a turn reaches at most 180 / (1 + 5 * 0.2) = 90 degrees.
    placeSelf({0.0, 0.0}, 0.0, Vec2{0.2, 0.0});
    behaviours.lookToward(commands, 120.0, kKeep);
    expectCommands(commands, {{kTurnCommand, 120.0}, {kTurnNeckCommand, 30.0}});

    // Standing, a dash that may go is cancelled for the turn.
    placeSelf({0.0, 0.0}, 0.0, Vec2{});
    commands = {};
    commands.append({kDashCommand, kLookMayCancel, 100.0, 0.0});
    behaviours.lookToward(commands, 180.0, kKeep);
    ASSERT_EQ(commands.count, 2);
    EXPECT_EQ(commands.entries[0].kind, kNoCommand);
    EXPECT_EQ(commands.entries[1].kind, kTurnCommand);
    EXPECT_DOUBLE_EQ(std::abs(commands.entries[1].firstValue), 180.0);

    commands = {};
    commands.append({kDashCommand, kKeep, 100.0, 0.0});
    behaviours.lookToward(commands, 170.0, kKeep);
    expectCommands(commands, {{kDashCommand, 100.0}, {kTurnNeckCommand, 170.0}});
}

using MoveBehaviourTest = BehaviourTest;

TEST_F(MoveBehaviourTest, GoToPointDashesAtATargetAheadAndTurnsToOneBehind) {
    EXPECT_FALSE(behaviours.goToPoint(commands, {10.0, 0.0}, kFullDash, 0, kKeep));
    EXPECT_EQ(commands.count, 0);

    placeSelf({0.0, 0.0}, 0.0);
    ASSERT_TRUE(behaviours.goToPoint(commands, {10.0, 0.0}, kFullDash, 0, kKeep));
    expectCommands(commands, {{kDashCommand, 100.0}});

    // Behind, with a backwards run capped at one cycle: the run cannot be that short.
    commands = {};
    ASSERT_TRUE(behaviours.goToPoint(commands, {-10.0, 0.0}, kFullDash, 1, kLookMayCancel));
    ASSERT_EQ(commands.count, 1);
    EXPECT_EQ(commands.entries[0].kind, kTurnCommand);
    EXPECT_EQ(commands.entries[0].essential, kLookMayCancel);
    EXPECT_NEAR(std::abs(commands.entries[0].firstValue), 180.0, 1e-9);

    // Near behind, with room for a backwards run: a dash against the body.
    commands = {};
    ASSERT_TRUE(behaviours.goToPoint(commands, {-3.0, 0.0}, kFullDash, 100, kKeep));
    ASSERT_EQ(commands.count, 1);
    EXPECT_EQ(commands.entries[0].kind, kDashCommand);
    EXPECT_LT(commands.entries[0].firstValue, -50.0);
}

TEST_F(MoveBehaviourTest, InterceptTurnsFirstThenDashesWithTheEffortApplied) {
    placeSelf({0.0, 0.0}, 0.0);
    InterceptResult result;
    result.playerIndex = kOwnNumber - 1;
    result.turnCycles = 1;
    result.targetRelativeDirection = 40.0;
    ASSERT_TRUE(behaviours.interceptBall(commands, result, kKeep));
    expectCommands(commands, {{kTurnCommand, 40.0}});

    result.targetRelativeDirection = 0.3;
    EXPECT_FALSE(behaviours.interceptBall(commands, result, kKeep));

    result.turnCycles = 0;
    result.dashCycles = 8;
    result.driftPosition = {0.0, 0.0};
    result.targetPosition = {10.0, 0.0};
    result.bodyDirection = 0.0;
    result.reach = 1.085;
    result.dashAccel = 0.6;
    self.effort = 0.8;
    commands = {};
    ASSERT_TRUE(behaviours.interceptBall(commands, result, kKeep));
    // With effort 0.8 the strongest dash gives 0.48, which takes the full power.
    expectCommands(commands, {{kDashCommand, 100.0}});
}

}  // namespace
}  // namespace zamo::test
