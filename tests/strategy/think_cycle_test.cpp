// The decision tree of one think cycle, on hand-made worlds: the commands it hands to sending.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "agent/perception/server_param_reader.h"
#include "agent/runtime/agent_context.h"
#include "support/protocol_log.h"
#include "support/temp_dir.h"

namespace zamo::test {
namespace {

constexpr int kNow = 200;  // 200 mod 11 = 2: neither the say turn of number 7 nor the cycle before
constexpr int kOwnNumber = 7;

class ThinkCycleTest : public ::testing::Test {
  protected:
    ThinkCycleTest() {
        context.config.uniformNumber = kOwnNumber;
        context.config.playerIdText = "7";
        context.config.playerType = "midfielder";
        context.config.side = 1;
        context.config.strategyDirectoryPath = directory.path().string() + "/";
        context.clock.cycle = kNow;
        context.self.stamina = context.serverParams.staminaMax;
        context.self.effort = 1.0;
        context.self.recovery = 1.0;
        context.self.catchBan = 0;
        // Visual messages far off: the look step stays out of the way unless a test wants it.
        context.cycleTimer.seeOffset = 1000;
        world().time = kNow;
        setMode(kPlayOn);
    }

    WorldSnapshot& world() { return context.worldHistory.currentSnapshot(); }
    void setMode(PlayMode mode) {
        world().playMode = mode;
        world().playModeTime = kNow;
    }

    static PlayerRecord& place(PlayerRecord& record, Vec2 position, double body) {
        record.positionTime = kNow;
        record.position = position;
        record.bodyTime = kNow;
        record.bodyDirection = body;
        record.velocityTime = kNow;
        record.velocity = {};
        return record;
    }
    PlayerRecord& placeOpponent(int number, Vec2 position, double body) {
        return place(world().opponents[static_cast<std::size_t>(number - 1)], position, body);
    }
    PlayerRecord& placeTeammate(int number, Vec2 position, double body) {
        return place(world().teammates[static_cast<std::size_t>(number - 1)], position, body);
    }
    PlayerRecord& placeSelf(Vec2 position, double body) {
        PlayerRecord& own = placeTeammate(kOwnNumber, position, body);
        own.staminaTime = kNow;
        own.stamina = context.serverParams.staminaMax;
        return own;
    }

    void placeBall(Vec2 position) {
        world().ballPositionTime = kNow;
        world().ballPosition = position;
        world().ballVelocityTime = kNow;
        world().ballVelocity = {};
    }

    void writeFormation(const std::string& name, int type, Vec2 home) {
        directory.write(name, "Strategy File Type = " + std::to_string(type) +
                                  "\nOffside Region = 0 -34 52.5 34\nPlayer ID = 7\n"
                                  "Player Region = -35 -30 25 30\nPlayer Position = " +
                                  std::to_string(home.x) + " " + std::to_string(home.y) +
                                  "\nPressing Region = -36 -14 -5 14\n");
    }

    static Vec2 along(Vec2 from, double direction, double metres) {
        return from + Vec2{metres * std::cos(direction * kDegToRad),
                           metres * std::sin(direction * kDegToRad)};
    }

    // The entries that will be sent, in order.
    std::vector<ServerCommand> decide() {
        const CommandList& list = context.thinkCycle.decide();
        std::vector<ServerCommand> sent;
        for (int i = 0; i < list.count; ++i) {
            if (list.entries[static_cast<std::size_t>(i)].kind != kNoCommand) {
                sent.push_back(list.entries[static_cast<std::size_t>(i)]);
            }
        }
        return sent;
    }

    static long count(const std::vector<ServerCommand>& commands, int kind) {
        return std::count_if(commands.begin(), commands.end(),
                             [kind](const ServerCommand& c) { return c.kind == kind; });
    }

    static bool isBody(const ServerCommand& command) {
        return command.kind >= kCatchCommand && command.kind <= kTackleCommand;
    }

    // The first command of the dribble on its own, for comparison with the whole decision.
    ServerCommand dribbleAlone(int mode, double dashShare) {
        CommandList list;
        EXPECT_TRUE(context.dribbler.dribble(list, mode, dashShare, kKeep));
        return list.entries[0];
    }

    // The kick that plays the pass from where the ball is.
    ServerCommand passKick(const KickTarget& pass) {
        const Vec2 ball = world().ballPosition;
        return context.behaviours.kickToward(distance(ball, pass.target),
                                             context.geometry.directionTo(ball, pass.target),
                                             pass.cycles, kKeep);
    }

    // The decision is this one command alone.
    void expectDecision(const ServerCommand& expected) {
        const auto commands = decide();
        ASSERT_EQ(commands.size(), 1u);
        EXPECT_EQ(commands[0].kind, expected.kind);
        EXPECT_NEAR(commands[0].firstValue, expected.firstValue, 1e-9);
        EXPECT_NEAR(commands[0].secondValue, expected.secondValue, 1e-9);
    }

    TempDir directory;
    AgentContext context;
};

TEST_F(ThinkCycleTest, FormationModesMoveOnceToTheKickOffHomeButNeverIntoTheOpponentHalf) {
    // Without strategy files the default home is used.
    setMode(kGoalR);
    auto commands = decide();
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_DOUBLE_EQ(commands[0].firstValue, -9.15);
    EXPECT_DOUBLE_EQ(commands[0].secondValue, 0.0);

    writeFormation("kick_off.stg", kKickOffFormation, {-10.0, 5.0});
    setMode(kBeforeKickOff);
    commands = decide();
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].kind, kMoveCommand);
    EXPECT_EQ(commands[0].essential, kKeep);
    EXPECT_DOUBLE_EQ(commands[0].firstValue, -10.0);
    EXPECT_DOUBLE_EQ(commands[0].secondValue, 5.0);
    placeSelf({-10.5, 5.5}, 0.0);
    EXPECT_TRUE(decide().empty());
    placeSelf({-12.0, 5.0}, 0.0);
    EXPECT_EQ(count(decide(), kMoveCommand), 1);

    writeFormation("kick_off.stg", kKickOffFormation, {3.0, 0.0});
    setMode(kGoalL);
    placeSelf({-20.0, 0.0}, 0.0);
    EXPECT_TRUE(decide().empty());
}

TEST_F(ThinkCycleTest, IdleModesGiveNoBodyCommandEvenWithTheBallAtTheFeet) {
    setMode(kGoalieCatchBallL);
    placeSelf({0.0, 0.0}, 0.0);
    placeBall({0.5, 0.0});
    placeOpponent(9, {1.0, 0.0}, 180.0);
    EXPECT_TRUE(decide().empty());
    // With the look step on, the look may turn the neck but never the body.
    context.cycleTimer.seeOffset = 0;
    for (const ServerCommand& command : decide()) {
        EXPECT_FALSE(isBody(command)) << command.kind;
    }
}

using SetPlayTest = ThinkCycleTest;

TEST_F(SetPlayTest, TheKickerFacesTheGoalThenRestsTwentyPassesAtMostBeforeAStrictPass) {
    setMode(kFreeKickL);
    PlayerRecord& own = placeSelf({0.0, 0.0}, 180.0);
    placeBall({-0.5, 0.0});
    auto commands = decide();
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].kind, kTurnCommand);
    EXPECT_DOUBLE_EQ(std::abs(commands[0].firstValue), 180.0);
    EXPECT_TRUE(context.thinkCycle.ownSetPlayPending());

    own.bodyDirection = 0.0;
    placeBall({0.5, 0.0});
    own.stamina = 3900.0;
    EXPECT_TRUE(decide().empty());
    EXPECT_DOUBLE_EQ(context.thinkCycle.lookWeights().ball, 1.0);

    // With full stamina the kick decision runs: a strict pass to the one teammate in sight.
    own.stamina = 4000.0;
    PlayerRecord& mate = placeTeammate(4, {-10.0, 10.0}, 0.0);
    commands = decide();
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].kind, kKickCommand);
    // Kicking: the look goes to the players rather than the ball.
    EXPECT_DOUBLE_EQ(context.thinkCycle.lookWeights().ball, 0.01);
    EXPECT_DOUBLE_EQ(context.thinkCycle.lookWeights().teammates, 100.0);

    // Stamina that does not come back is waited for 20 passes; after play on the kicker rests
    // again.
    setMode(kPlayOn);
    decide();
    setMode(kFreeKickL);
    own.stamina = context.serverParams.staminaMax - 100.0;
    int waited = 0;
    while (waited < 100 && count(decide(), kKickCommand) == 0) {
        ++waited;
    }
    EXPECT_EQ(waited, 20);
    setMode(kPlayOn);
    decide();
    setMode(kFreeKickL);
    EXPECT_EQ(count(decide(), kKickCommand), 0);

    // A set play 60 cycles old takes a pass to a teammate seen a cycle ago.
    own.stamina = context.serverParams.staminaMax;
    mate.positionTime = kNow - 1;
    EXPECT_EQ(count(decide(), kKickCommand), 0);
    world().playModeTime = kNow - 60;
    EXPECT_EQ(count(decide(), kKickCommand), 1);
}

TEST_F(SetPlayTest, TheKickerRunsToTheBall) {
    setMode(kKickInL);
    placeSelf({-10.0, 20.0}, 0.0);
    placeBall({0.0, 20.0});
    placeOpponent(9, {30.0, -20.0}, 180.0);
    const auto commands = decide();
    ASSERT_EQ(count(commands, kDashCommand), 1);
    EXPECT_DOUBLE_EQ(commands[0].firstValue, context.serverParams.maxPower);
}

TEST_F(SetPlayTest, TheKickerLooksRoundWithItsNeckAloneWhileItWaits) {
    setMode(kKickInL);
    context.cycleTimer.synchSee = true;
    // Facing the goal already, as the kicker does before it kicks.
    placeSelf({0.0, -33.0}, std::atan2(33.0, 52.5) * kRadToDeg);
    placeBall({0.4, -33.0});
    // Teammates behind it, seen long ago: no pass yet, and the look wants to go their way.
    for (const int number : {2, 3, 4}) {
        placeTeammate(number, {-20.0, -20.0 + number}, 0.0).positionTime = kNow - 8;
    }
    for (int cycle = 0; cycle < 3; ++cycle) {
        const auto commands = decide();
        EXPECT_EQ(std::count_if(commands.begin(), commands.end(), isBody), 0) << cycle;
        EXPECT_EQ(count(commands, kTurnNeckCommand), 1) << cycle;
    }
}

TEST_F(ThinkCycleTest, TheFormationFollowsThePhaseOfPlay) {
    writeFormation("attack.stg", kAttackFormation, {-10.0, 10.0});
    writeFormation("defence.stg", kDefenceFormation, {-10.0, -10.0});
    writeFormation("set_play.stg", kSetPlayFormation, {-10.0, 20.0});
    context.strategySet.reload();
    const auto homeY = [&] { return context.positioning.formation().homePosition.y; };

    placeSelf({-20.0, 0.0}, 0.0);
    placeTeammate(9, {9.0, 0.0}, 0.0);
    placeBall({10.0, 0.0});
    decide();
    EXPECT_DOUBLE_EQ(homeY(), 10.0);  // a teammate gets to the ball first
    placeOpponent(9, {10.5, 0.0}, 180.0);
    placeTeammate(9, {30.0, 20.0}, 0.0);
    decide();
    EXPECT_DOUBLE_EQ(homeY(), -10.0);  // an opponent does
    setMode(kKickInL);
    decide();
    EXPECT_DOUBLE_EQ(homeY(), 20.0);  // the own set play
}

TEST_F(SetPlayTest, TheOpponentsSetPlayIsWalkedThroughExceptAtKickOffOrWithAnUnknownRole) {
    placeSelf({-20.0, 10.0}, 0.0);
    placeBall({0.0, 0.0});
    placeTeammate(9, {-1.0, 0.0}, 0.0);
    placeOpponent(9, {1.0, 0.0}, 180.0);

    setMode(kFreeKickR);  // the opponents' set play: not ours to intercept
    const auto walking = decide();
    ASSERT_EQ(walking.size(), 1u);
    EXPECT_TRUE(walking[0].kind == kDashCommand || walking[0].kind == kTurnCommand);
    // A left free kick is the opponents' too for a right-side player: the look goes to them.
    context.config.side = 2;
    setMode(kFreeKickL);
    decide();
    EXPECT_DOUBLE_EQ(context.thinkCycle.lookWeights().opponents, 100.0);
    EXPECT_FALSE(context.thinkCycle.ownSetPlayPending());
    context.config.side = 1;

    setMode(kKickOffR);
    EXPECT_TRUE(decide().empty());

    setMode(kFreeKickR);
    context.config.playerType = "sweeper";
    EXPECT_TRUE(decide().empty());
}

using GoalieTest = ThinkCycleTest;

TEST_F(GoalieTest, CatchesAimingInsideTheCatchAreaTowardsTheBodyAxis) {
    context.config.isGoalie = 1;
    placeSelf({-48.0, 0.0}, 0.0);
    const double inset = std::atan(0.5 / 2.0) * kRadToDeg;  // 14.04 degrees
    for (const double side : {30.0, -30.0}) {
        placeBall({-48.0 + 1.5 * std::cos(side * kDegToRad), 1.5 * std::sin(side * kDegToRad)});
        const auto commands = decide();
        ASSERT_FALSE(commands.empty());
        EXPECT_EQ(commands[0].kind, kCatchCommand);
        EXPECT_EQ(commands[0].essential, kKeepCatch);
        EXPECT_NEAR(commands[0].firstValue, side - std::copysign(inset, side), 1e-9);
    }
    // Under a catch ban the goalie does not try.
    context.self.catchBan = 3;
    EXPECT_EQ(count(decide(), kCatchCommand), 0);
}

TEST_F(GoalieTest, HoldingTheBallInTheOwnSetPlayItFacesTheFieldAndMovesTwice) {
    context.config.isGoalie = 1;
    setMode(kFreeKickL);
    PlayerRecord& own = placeSelf({-48.0, 0.0}, 170.0);
    placeBall({-47.5, 0.0});
    std::vector<int> quiet;
    for (int pass = 1; pass <= 100; ++pass) {
        const auto commands = decide();
        if (pass == 1) {
            ASSERT_EQ(commands.size(), 1u);
            EXPECT_EQ(commands[0].kind, kTurnCommand);
            EXPECT_DOUBLE_EQ(commands[0].firstValue, -170.0);
            own.bodyDirection = 0.0;
        } else if (pass < 25) {
            EXPECT_TRUE(commands.empty()) << "pass " << pass;
        } else if (pass == 50 || pass == 100) {
            ASSERT_EQ(commands.size(), 1u);
            EXPECT_EQ(commands[0].kind, kMoveCommand);
            EXPECT_DOUBLE_EQ(commands[0].firstValue, pass == 50 ? -37.0 : -46.0);
            EXPECT_DOUBLE_EQ(commands[0].secondValue, 0.0);
        } else if ((pass > 50 && pass < 75) || (pass > 100)) {
            EXPECT_TRUE(commands.empty()) << "pass " << pass;
        }
    }
    EXPECT_EQ(context.thinkCycle.goalieHoldCount(), 100);
}

using TackleTest = ThinkCycleTest;

TEST_F(TackleTest, TacklesWithFullPowerOnlyWhenTheOwnGoalIsNotAhead) {
    // The ball 1.4 m ahead: failure (1.4 / 2)^6 = 0.118; an opponent touches it.
    placeSelf({-10.0, 0.0}, 0.0);
    placeBall({-8.6, 0.0});
    placeOpponent(9, {-7.8, 0.0}, 180.0);
    auto commands = decide();
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].kind, kTackleCommand);
    EXPECT_EQ(commands[0].essential, kKeep);
    EXPECT_DOUBLE_EQ(commands[0].firstValue, 100.0);

    // Facing the own goal 12 m away: a tackle could only help the opponents.
    placeSelf({-40.0, 0.0}, 180.0);
    placeBall({-41.4, 0.0});
    placeOpponent(9, {-42.2, 0.0}, 0.0);
    EXPECT_EQ(count(decide(), kTackleCommand), 0);

    // Too far to tackle: failure (1.9 / 2)^6 = 0.74.
    placeSelf({-10.0, 0.0}, 0.0);
    placeBall({-8.1, 0.0});
    placeOpponent(9, {-7.3, 0.0}, 180.0);
    EXPECT_EQ(count(decide(), kTackleCommand), 0);

    // Not in the own set play.
    setMode(kFreeKickL);
    placeBall({-8.6, 0.0});
    placeOpponent(9, {-7.8, 0.0}, 180.0);
    EXPECT_EQ(count(decide(), kTackleCommand), 0);
}

class BackwardPassTest : public ThinkCycleTest {
  protected:
    // The player at (0, 10) facing the goal with the ball at its heels; the only pass goes to
    // teammate 4 straight behind.
    // ahead: how far in front of the player an opponent stands facing it.
    void setUpPass(double behind, double ahead) {
        const Vec2 own{0.0, 10.0};
        const double body = context.geometry.directionTo(own, {52.5, 0.0});
        placeSelf(own, body);
        placeBall(along(own, body, -0.4));
        placeTeammate(4, {-behind, 10.0}, 0.0);
        placeOpponent(6, along(own, body, ahead), body + 180.0);
        pass = context.shotPassSelector.choosePass(false);
        ASSERT_TRUE(pass);
        ASSERT_DOUBLE_EQ(pass->target.x, -behind);
    }

    std::optional<KickTarget> pass;
};

TEST_F(BackwardPassTest, ComesAfterARunForwardsAndWhenFarAfterARunAnywhere) {
    // 3 m ahead the opponent leaves only a short run forwards, which is taken though all
    // directions would find a longer one to the side.
    setUpPass(10.0, 3.0);
    ASSERT_NE(context.dribbler.searchRun(kDribbleForwardOnly, 0.6).direction,
              context.dribbler.searchRun(kDribbleAllDirections, 0.6).direction);
    expectDecision(dribbleAlone(kDribbleForwardOnly, 0.6));

    // Blocked ahead, a far back pass gives way to a run in any direction...
    setUpPass(10.0, 1.1);
    CommandList forward;
    ASSERT_FALSE(context.dribbler.dribble(forward, kDribbleForwardOnly, 0.6, kKeep));
    expectDecision(dribbleAlone(kDribbleAllDirections, 0.6));

    // ...and a short one is kicked.
    setUpPass(7.0, 1.1);
    const ServerCommand kick = passKick(*pass);
    ASSERT_LE(kick.firstValue, 100.0);
    expectDecision(kick);
}

class NearGoalTest : public ThinkCycleTest {
  protected:
    // The player facing the opponent goal with the ball touching its front; the goalie in the
    // middle of its goal and a defender far out put the offside line at x = 45.
    void withBallFacingGoal(Vec2 own) {
        body = context.geometry.directionTo(own, {52.5, 0.0});
        placeSelf(own, body);
        placeBall(along(own, body, 0.5));
        PlayerRecord& goalie = placeOpponent(1, {51.0, 0.0}, 180.0);
        goalie.goalieTime = kNow;
        goalie.goalie = 1;
        placeOpponent(2, {45.0, -30.0}, 180.0);
    }
    // Where on the goal line a kick of this cycle sends the ball at rest; kNoValue when it
    // does not go towards the goal line.
    double goalLineY(const ServerCommand& kick) const {
        const double heading = (body + kick.secondValue) * kDegToRad;
        const Vec2 ball = context.worldHistory.currentSnapshot().ballPosition;
        if (!(std::cos(heading) > 0.0)) {
            return kNoValue;
        }
        return ball.y + (52.5 - ball.x) * std::tan(heading);
    }

    double body = 0.0;
};

TEST_F(NearGoalTest, ARunAtTheGoalComesBeforeAPassAheadOnlyNearTheGoal) {
    for (const double x : {30.0, 10.0}) {
        const Vec2 own{x, 5.0};
        withBallFacingGoal(own);
        placeTeammate(9, {x + 12.0, 12.0}, 0.0);
        const auto pass = context.shotPassSelector.choosePass(false);
        ASSERT_TRUE(pass) << x;
        ASSERT_GT(pass->target.x, x + 5.0);
        const auto run = dribbleAlone(kDribbleForwardOnly, kFullDash);
        const auto commands = decide();
        ASSERT_FALSE(commands.empty()) << x;
        if (x > 20.0) {
            EXPECT_EQ(commands[0].kind, run.kind);
            EXPECT_NEAR(commands[0].firstValue, run.firstValue, 1e-9);
            EXPECT_NEAR(commands[0].secondValue, run.secondValue, 1e-9);
        } else {
            // Farther out the pass ahead is played.
            EXPECT_EQ(commands[0].kind, kKickCommand);
            EXPECT_NEAR(commands[0].secondValue, passKick(*pass).secondValue, 1e-9);
        }
    }
}

TEST_F(NearGoalTest, CloseInAShotTheGoalieMayReachBeatsKeepingTheBall) {
    for (const double x : {36.0, 30.0}) {
        const Vec2 own{x, 0.0};
        withBallFacingGoal(own);
        placeOpponent(6, along(own, body, 1.1), body + 180.0);
        ASSERT_FALSE(context.shotPassSelector.chooseShotTarget()) << x;
        ASSERT_FALSE(context.shotPassSelector.choosePass(false)) << x;
        CommandList forward;
        ASSERT_FALSE(context.dribbler.dribble(forward, kDribbleForwardOnly, kFullDash, kKeep));
        const auto commands = decide();
        const bool shot = std::any_of(commands.begin(), commands.end(), [&](const auto& c) {
            const double y = c.kind == kKickCommand ? goalLineY(c) : kNoValue;
            return y != kNoValue && std::abs(y) < 7.01 && c.firstValue > 90.0;
        });
        // 16.5 m out the ball goes at the goal; 22.5 m out it is kept, not shot.
        EXPECT_EQ(shot, x > 32.5) << x;
    }
}

using ViewWidthTest = ThinkCycleTest;

TEST_F(ViewWidthTest, FarBallsWidenTheViewExceptBeforeTheOwnSay) {
    placeSelf({-30.0, 0.0}, 0.0);
    placeBall({15.0, 0.0});  // 45 m
    decide();
    EXPECT_EQ(context.self.wantedViewWidth, 2);

    placeBall({-5.0, 0.0});  // 25 m
    decide();
    EXPECT_EQ(context.self.wantedViewWidth, 1);

    // The cycle before the own say: only the timing of the visual messages counts, and the
    // look goes to the ball that is about to be reported.
    context.clock.cycle = 11 * 20 + kOwnNumber - 1;
    placeBall({15.0, 0.0});
    decide();
    EXPECT_EQ(context.self.wantedViewWidth, context.cycleTimer.chooseSyncWidthAhead() == 3
                                                ? 0
                                                : context.cycleTimer.chooseSyncWidthAhead());
    EXPECT_DOUBLE_EQ(context.thinkCycle.lookWeights().ball, 100.0);
}

TEST_F(ViewWidthTest, WithVisualMessagesInStepWithTheCyclesTheViewStaysNarrow) {
    context.cycleTimer.synchSee = true;
    placeSelf({-30.0, 0.0}, 0.0);
    for (const double ballX : {15.0, -5.0, -20.0}) {
        placeBall({ballX, 0.0});
        decide();
        EXPECT_EQ(context.self.wantedViewWidth, 0) << ballX;
    }
    // Only the kicker of an own set play still looks wide, at its teammates.
    setMode(kKickInL);
    placeBall({-29.5, 0.0});
    decide();
    decide();
    EXPECT_EQ(context.self.wantedViewWidth, 2);
}

// The decisions with the real server's parameters and types of a recorded session.
class RealServerTypesTest : public ThinkCycleTest {
  protected:
    RealServerTypesTest() {
        ServerParams& params = context.serverParams;
        const std::string file = "v9-player-session.tsv";
        EXPECT_TRUE(readServerParam(test::receivedMessages(file, "(server_param")[0], params));
        EXPECT_TRUE(readPlayerParam(test::receivedMessages(file, "(player_param")[0], params));
        for (const std::string& text : test::receivedMessages(file, "(player_type")) {
            EXPECT_TRUE(readPlayerType(text, params));
        }
        context.self.stamina = params.staminaMax;
    }

    void becomeType(int type) {
        context.worldModel.applyPlayerTypeChange({kOwnNumber, true, type});
    }
};

TEST_F(RealServerTypesTest, KicksAndCatchesOnlyWhatTheOwnTypeCanReach) {
    // Before the opponent goal with nobody near, a ball within reach is shot at once.
    placeSelf({44.0, 0.0}, 0.0);
    placeBall({45.0, 0.0});
    becomeType(4);  // reach 0.986 m: the ball 1 m away is out of it
    std::vector<ServerCommand> commands = decide();
    EXPECT_EQ(count(commands, kKickCommand), 0);
    EXPECT_EQ(count(commands, kDashCommand), 1);
    becomeType(5);  // reach 1.180 m: a ball 1.15 m away is kicked, not run at
    placeBall({45.15, 0.0});
    commands = decide();
    EXPECT_EQ(count(commands, kKickCommand), 1);
    EXPECT_EQ(count(commands, kDashCommand), 0);

    // The goalie catches only within the server's catchable area.
    becomeType(0);
    context.config.isGoalie = 1;
    placeSelf({-48.0, 0.0}, 0.0);
    placeBall({-46.5, 0.0});  // 1.5 m: beyond the catchable length 1.2, within the built-in 2
    EXPECT_EQ(count(decide(), kCatchCommand), 0);
    placeBall({-46.9, 0.0});
    EXPECT_EQ(count(decide(), kCatchCommand), 1);
}

TEST_F(ThinkCycleTest, ABallWithinReachOnlyByPredictionIsLookedAtNotKicked) {
    placeSelf({44.0, 0.0}, 0.0);
    placeBall({44.8, 0.0});
    world().ballPositionTime = kNow - 2;  // last seen two cycles ago
    std::vector<ServerCommand> commands = decide();
    EXPECT_EQ(count(commands, kKickCommand), 0);
    EXPECT_TRUE(std::none_of(commands.begin(), commands.end(), isBody));
    // The ball about to be played is watched with the narrowest view.
    EXPECT_EQ(context.self.wantedViewWidth, 0);
    world().ballPositionTime = kNow;
    EXPECT_EQ(count(decide(), kKickCommand), 1);
    // A ball nearly at rest, seen a cycle ago, is played.
    world().ballPositionTime = kNow - 1;
    world().ballVelocity = {0.1, 0.1};
    EXPECT_EQ(count(decide(), kKickCommand), 1);
    world().ballVelocity = {0.4, 0.0};
    EXPECT_EQ(count(decide(), kKickCommand), 0);
    world().ballVelocity = {};
    // At the very edge of the reach it is approached instead.
    world().ballPositionTime = kNow;
    placeBall({44.0 + context.skills.ownKickReach() - 0.01, 0.0});
    std::vector<ServerCommand> edge = decide();
    EXPECT_EQ(count(edge, kKickCommand), 0);
    EXPECT_EQ(count(edge, kDashCommand), 1);
    placeBall({44.8, 0.0});
    // Nor is a ball played in the pause after an offside call, which refuses kicks.
    world().ballPositionTime = kNow;
    setMode(kOffsideR);
    EXPECT_EQ(count(decide(), kKickCommand), 0);
    setMode(kPlayOn);

    // The goalie catches a shot it only foresees: it would be past before the next look.
    context.config.isGoalie = 1;
    placeSelf({-48.0, 0.0}, 0.0);
    placeBall({-47.0, 0.0});
    world().ballPositionTime = kNow - 1;
    world().ballVelocity = {-1.5, 0.0};
    EXPECT_EQ(count(decide(), kCatchCommand), 1);
}

}  // namespace
}  // namespace zamo::test
