#include "agent/perception/world_model.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <string>

#include "agent/net/server_endpoint.h"
#include "agent/perception/sensor_parser.h"
#include "agent/runtime/agent_context.h"
#include "allocation_counter.h"
#include "support/loopback_server.h"
#include "support/protocol_log.h"

namespace zamo {
namespace {

constexpr int kOwn = 5;

// A body sense as the real server sends it; the counters named read 1, the others 0.
std::string senseBody(int time, std::initializer_list<std::string_view> counted = {},
                      int headAngle = 0) {
    std::string text = "(sense_body " + std::to_string(time) +
                       " (view_mode high normal) (stamina 4000 1) (speed 0 0) (head_angle " +
                       std::to_string(headAngle) +
                       ") (kick 0) (dash 0) (turn 0) (say 0) (turn_neck 0) (catch 0) (move 0) "
                       "(change_view 0) (arm (movable 0) (expires 0) (target 0 0) (count 0)) "
                       "(focus (target none) (count 0)) (tackle (expires 0) (count 0)))";
    for (const std::string_view counter : counted) {
        const std::string zero = "(" + std::string(counter) + " 0)";
        text.replace(text.find(zero), zero.size(), "(" + std::string(counter) + " 1)");
    }
    return text;
}

// A left-side agent at (-42.5, 0) whose head points at -180 (towards its own goal line) sees the
// left line and the flag "l 0"; objects are appended.
std::string see(int time, const std::string& objects = "") {
    return "(see " + std::to_string(time) + " ((l l) 10 90) ((f l 0) 15 0)" +
           (objects.empty() ? "" : " " + objects) + ")";
}

class WorldModelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(server.ok());
        ctx.endpoint = openEndpoint("127.0.0.1", server.port(), true);
        ASSERT_NE(ctx.endpoint.socket, -1);
        ctx.config.uniformNumber = kOwn;
        ctx.config.side = 1;
        ctx.config.teamName = "Zamo";
        ctx.config.quotedTeamName = "\"Zamo\"";
        ctx.config.opponentTeamName = "Opp";
        world.resetWorld();
    }
    void TearDown() override { closeEndpoint(ctx.endpoint); }

    // Stores the messages of cycle d and updates the world as the receive loop does.
    void step(int d, const std::string& body, const std::string& visual) {
        ctx.clock.cycle = d;
        if (!body.empty()) {
            ASSERT_TRUE(SensorParser::parseSenseBody(body, ctx.sensorStore.lastBody)) << body;
        }
        if (!visual.empty()) {
            ASSERT_TRUE(parser.parseSee(visual, ctx.sensorStore.lastSee)) << visual;
        }
        world.updateWorld();
    }
    void step(int d, const std::string& objects = "") { step(d, senseBody(d), see(d, objects)); }

    // Feeds one recorded message to the world as the receive loop does; false if not parsed.
    bool replay(const std::string& text, SensorMessage& message) {
        if (!parser.parseMessage(text, message)) {
            return false;
        }
        if (message.kind == kSenseBodyMessage) {
            ctx.sensorStore.lastBody = message.senseBody;
            ctx.clock.cycle = message.senseBody.time;
        } else {
            ctx.sensorStore.lastSee = message.see;
        }
        world.updateWorld();
        return true;
    }

    const WorldSnapshot& now() const { return world.currentSnapshot(); }
    const PlayerRecord& own() const { return now().teammates[kOwn - 1]; }

    test::LoopbackServer server;
    AgentContext ctx;
    WorldModel& world = ctx.worldModel;
    SensorParser parser{ctx.config, ctx.serverParams};
};

TEST_F(WorldModelTest, SeeLocalisesAndPlacesTheBall) {
    step(100, "((b) 5 0 0.5 10)");
    EXPECT_EQ(now().time, 100);
    EXPECT_EQ(own().positionTime, 100);
    EXPECT_NEAR(own().position.x, -42.5, 1e-9);
    EXPECT_NEAR(own().position.y, 0.0, 1e-9);
    EXPECT_NEAR(std::abs(own().bodyDirection), 180.0, 1e-9);
    EXPECT_NEAR(ctx.self.position.x, -42.5, 1e-9);
    ASSERT_EQ(now().ballPositionTime, 100);
    EXPECT_NEAR(now().ballPosition.x, -47.5, 1e-9);
    EXPECT_NEAR(now().ballPosition.y, 0.0, 1e-9);
    // Moving away at 0.5 per cycle and turning 10 degrees per cycle seen from a still agent.
    ASSERT_EQ(now().ballVelocityTime, 100);
    EXPECT_NEAR(now().ballVelocity.x, -0.5, 1e-9);
    EXPECT_NEAR(now().ballVelocity.y, -5.0 * 10.0 * kDegToRad, 1e-9);
}

TEST_F(WorldModelTest, SkippedCyclesArePredicted) {
    step(100, "((b) 5 0 0.5 0)");
    const Vec2 ball = now().ballPosition;
    // Nothing arrives in 101 and 102; the next message is of 103.
    step(103, senseBody(103), "");
    EXPECT_EQ(now().time, 103);
    EXPECT_EQ(world.snapshotBefore(1).time, 102);
    EXPECT_EQ(world.snapshotBefore(2).time, 101);
    EXPECT_EQ(world.snapshotBefore(3).time, 100);
    const double v = -0.5;
    EXPECT_NEAR(world.snapshotBefore(2).ballPosition.x, ball.x + v, 1e-9);
    EXPECT_NEAR(world.snapshotBefore(1).ballPosition.x, ball.x + v + v * 0.94, 1e-9);
    EXPECT_NEAR(now().ballPosition.x, ball.x + v + v * 0.94 + v * 0.94 * 0.94, 1e-9);
    EXPECT_NEAR(now().ballVelocity.x, v * 0.94 * 0.94 * 0.94, 1e-9);
    // Predicted, so still stamped with the cycle it was seen in.
    EXPECT_EQ(now().ballPositionTime, 100);
}

TEST_F(WorldModelTest, CycleJumpsMakeAtMostTenSnapshots) {
    step(100, "((b) 5 0 0.5 0)");
    const auto started = std::chrono::steady_clock::now();
    step(1000100, senseBody(1000100), "");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(100));
    for (int k = 0; k < kHistorySize; ++k) {
        EXPECT_EQ(world.snapshotBefore(k).time, 1000100 - k);
    }
    step(std::numeric_limits<int>::max(), senseBody(std::numeric_limits<int>::max()), "");
    EXPECT_EQ(now().time, std::numeric_limits<int>::max());

    // Backwards: exactly one new snapshot, of the cycle given.
    step(50, senseBody(50), see(50));
    EXPECT_EQ(now().time, 50);
    EXPECT_EQ(world.snapshotBefore(1).time, std::numeric_limits<int>::max());
    EXPECT_EQ(own().positionTime, 50);

    // No cycle at all: one snapshot, and stale messages are not applied again.
    ctx.clock.cycle = kNoTime;
    ctx.sensorStore.lastSee.time = kNoTime;
    world.updateWorld();
    EXPECT_EQ(now().time, kNoTime);
    EXPECT_EQ(world.snapshotBefore(1).time, 50);
    EXPECT_EQ(own().positionTime, 50);
}

TEST_F(WorldModelTest, ExecutedDashMovesTheAgentUnexecutedDoesNot) {
    step(100);
    ctx.clock.cycle = 100;
    ASSERT_TRUE(ctx.commandSender.doDash(100));
    ASSERT_TRUE(server.receive());

    // The server did not count it: no effect.
    step(101, senseBody(101), "");
    EXPECT_NEAR(own().position.x, -42.5, 1e-9);

    // Carried out in cycle 101 this time.
    ctx.clock.cycle = 101;
    ASSERT_TRUE(ctx.commandSender.doDash(100));
    step(102, senseBody(102, {"dash"}), "");
    // Facing -x: 1.0 effort * 0.006 * 100 = 0.6 per cycle.
    EXPECT_NEAR(own().position.x, -43.1, 1e-9);
    EXPECT_NEAR(ctx.self.position.x, -43.1, 1e-9);
    EXPECT_EQ(own().positionTime, 100);
}

TEST_F(WorldModelTest, CatchHoldsTheBall) {
    step(110, "((b) 0.5 0 0 0)");
    ctx.clock.cycle = 110;
    ASSERT_TRUE(ctx.commandSender.doCatch(0));
    step(111, senseBody(111, {"catch"}), "");
    // Held at arm's length in the body direction; the ban has already counted one cycle down.
    EXPECT_NEAR(now().ballPosition.x, -42.5 - 0.385, 1e-9);
    EXPECT_EQ(now().ballVelocity, (Vec2{0.0, 0.0}));
    EXPECT_EQ(own().catchBan, 4);
    EXPECT_EQ(ctx.self.catchBan, 4);
}

TEST_F(WorldModelTest, AKickThatFailedForgetsTheBallAKickOfAStillBallMovesIt) {
    // Seen without its motion, the ball 0.5 m ahead at (-43, 0) is kicked: it was taken to be at
    // rest.
    step(100, "((b) 0.5 0)");
    ASSERT_FALSE(known(now().ballVelocityTime));
    ctx.clock.cycle = 100;
    ASSERT_TRUE(ctx.commandSender.doKick(100, 0));
    step(101, senseBody(101, {"kick"}), "");
    // Straight ahead, 0.115 m beyond touching.
    const double speed = 0.027 * (1.0 - 0.25 * 0.115 / 0.7) * 100.0;
    EXPECT_NEAR(now().ballPosition.x, -43.0 - speed, 1e-9);
    EXPECT_NEAR(now().ballVelocity.x, -speed * 0.94, 1e-9);
    ASSERT_TRUE(known(now().ballVelocityTime));

    // The next kick is not carried out (the counter stays): the ball was not within reach.
    step(102, senseBody(102, {"kick"}), see(102, "((b) 0.5 0 0 0)"));
    ASSERT_TRUE(known(now().ballPositionTime));
    ctx.clock.cycle = 102;
    ASSERT_TRUE(ctx.commandSender.doKick(100, 0));
    step(103, senseBody(103, {"kick"}), "");
    EXPECT_FALSE(known(now().ballPositionTime));
    EXPECT_FALSE(known(now().ballVelocityTime));
}

TEST_F(WorldModelTest, TurnAndNeckTurnChangeTheOwnDirections) {
    step(100);
    ctx.clock.cycle = 100;
    ASSERT_TRUE(ctx.commandSender.doTurn(30));
    ASSERT_TRUE(ctx.commandSender.doTurnNeck(20));
    // The body sense of 101 is late: only the counters of the one at hand say what was done.
    step(101, senseBody(100, {"turn", "turn_neck"}), "");
    // At rest the whole moment turns the body: -180 + 30.
    EXPECT_NEAR(own().bodyDirection, -150.0, 1e-9);
    EXPECT_NEAR(ctx.self.bodyDirection, -150.0, 1e-9);
    EXPECT_NEAR(own().neckAngle, 20.0, 1e-9);
    EXPECT_NEAR(ctx.self.neckAngle, 20.0, 1e-9);
}

TEST_F(WorldModelTest, ExecutedMoveForgetsTheBallAndOthers) {
    step(100, "((b) 5 0) ((p \"Opp\" 7) 10 10)");
    ASSERT_EQ(now().ballPositionTime, 100);
    ctx.clock.cycle = 100;
    ASSERT_TRUE(ctx.commandSender.doMove(-10, 5));

    // Not counted by the server: everything stays.
    step(101, senseBody(101), "");
    EXPECT_EQ(now().ballPositionTime, 100);

    ctx.clock.cycle = 101;
    ASSERT_TRUE(ctx.commandSender.doMove(-10, 5));
    step(102, senseBody(102, {"move"}), "");
    EXPECT_EQ(now().time, 102);
    EXPECT_EQ(now().ballPositionTime, kNoTime);
    EXPECT_EQ(now().ballVelocityTime, kNoTime);
    EXPECT_EQ(now().opponents[6].positionTime, kNoTime);
    EXPECT_EQ(own().position, (Vec2{-10.0, 5.0}));
    EXPECT_EQ(own().positionTime, 100);
    EXPECT_EQ(own().velocity, (Vec2{0.0, 0.0}));
    EXPECT_EQ(own().bodyTime, 100);
}

TEST_F(WorldModelTest, BallExpiresAfterTenCyclesOpponentAfterFifty) {
    step(100, "((b) 5 0) ((p \"Opp\" 7) 10 10) ((p \"Zamo\" 2) 10 -10)");
    for (int d = 101; d <= 110; ++d) {
        step(d);
    }
    EXPECT_EQ(now().ballPositionTime, 100);
    EXPECT_EQ(now().teammates[1].positionTime, 100);
    step(111);
    EXPECT_EQ(now().ballPositionTime, kNoTime);
    EXPECT_EQ(now().teammates[1].positionTime, kNoTime);
    EXPECT_EQ(now().opponents[6].positionTime, 100);
    for (int d = 112; d <= 150; ++d) {
        step(d);
    }
    EXPECT_EQ(now().opponents[6].positionTime, 100);
    step(151);
    EXPECT_EQ(now().opponents[6].positionTime, kNoTime);
}

TEST_F(WorldModelTest, UnnumberedPlayerMatchesOnlyWithinFiveMetres) {
    // Opponent 7 straight ahead 10 m away, at (-52.5, 0).
    step(100, "((p \"Opp\" 7) 10 0)");
    ASSERT_NEAR(now().opponents[6].position.x, -52.5, 1e-9);

    step(101, "((p \"Opp\") 15 0)");  // (-57.5, 0): 5.0 m away
    EXPECT_EQ(now().opponents[6].positionTime, 100);

    step(102, "((p \"Opp\") 14.9 0)");  // 4.9 m away
    EXPECT_EQ(now().opponents[6].positionTime, 102);
    EXPECT_NEAR(now().opponents[6].position.x, -57.4, 1e-9);

    // A player of unknown team takes the opponent only when it is strictly nearer.
    step(103, "((p \"Zamo\" 2) 12 0)");  // teammate 2 at (-54.5, 0)
    step(104, "((p) 13 0)");             // (-55.5, 0): 1.0 from the teammate, 1.9 from 7
    EXPECT_EQ(now().teammates[1].positionTime, 104);
    EXPECT_EQ(now().opponents[6].positionTime, 102);
    step(105, "((p) 16 0)");  // (-58.5, 0): 1.1 from opponent 7, 3.0 from the teammate
    EXPECT_EQ(now().opponents[6].positionTime, 105);
    EXPECT_EQ(now().teammates[1].positionTime, 104);
    step(106, "((p) 14.5 0)");  // (-57, 0): 1.5 from each, the teammate keeps it
    EXPECT_EQ(now().teammates[1].positionTime, 106);
    EXPECT_EQ(now().opponents[6].positionTime, 105);
}

TEST_F(WorldModelTest, GoalPutsTheBallOnTheCentreSpot) {
    ctx.playMode.mode = kGoalL;
    ctx.playMode.time = 95;
    step(100, "((b) 5 0 0.5 0)");
    EXPECT_EQ(now().ballPosition, (Vec2{0.0, 0.0}));
    EXPECT_EQ(now().ballVelocity, (Vec2{0.0, 0.0}));
    EXPECT_EQ(now().ballPositionTime, 95);
    EXPECT_EQ(now().ballVelocityTime, 95);
    EXPECT_EQ(now().playMode, kGoalL);
}

TEST_F(WorldModelTest, FacingsAreTakenFromTheObserversHead) {
    // The neck is turned 40 degrees: the head points at -180, so the body at 140. The other's
    // facings are relative to that head: body at -160, head at -150.
    step(100, senseBody(100, {}, 40), see(100, "((p \"Opp\" 3) 10 0 0 0 20 30)"));
    EXPECT_NEAR(own().bodyDirection, 140.0, 1e-9);
    const PlayerRecord& other = now().opponents[2];
    ASSERT_EQ(other.bodyTime, 100);
    EXPECT_NEAR(other.bodyDirection, -160.0, 1e-9);
    ASSERT_EQ(other.neckTime, 100);
    EXPECT_NEAR(other.neckAngle, 10.0, 1e-9);
}

TEST_F(WorldModelTest, RealServerFacingsAreRelativeToTheHead) {
    // After reconnecting, agent 1 stands outside the top line with its head at 61 and its neck
    // at 29; teammates 2 and 4 never turned (body 0) and are reported with body facing -61.
    ctx.config.uniformNumber = 1;
    ctx.config.quotedTeamName = "\"TestTeam\"";
    bool checked = false;
    for (const std::string& text : test::receivedMessages("v9-player-session.tsv", "(se")) {
        SensorMessage message;
        if (replay(text, message) && message.kind == kSeeMessage &&
            text.find("(p \"TestTeam\" 2) 33.1 32 0 0 -61 -61") != std::string::npos) {
            EXPECT_NEAR(now().teammates[0].bodyDirection, 32.0, 1.0);
            ASSERT_EQ(now().teammates[1].bodyTime, message.see.time);
            EXPECT_NEAR(now().teammates[1].bodyDirection, 0.0, 1.0);
            EXPECT_NEAR(now().teammates[1].neckAngle, 0.0, 1e-9);
            checked = true;
            break;
        }
    }
    EXPECT_TRUE(checked);
}

TEST_F(WorldModelTest, TeammateMessageMergesIntoThePreviousCycle) {
    step(199);
    TeamMessage said;
    clearTeamMessage(said);
    WorldSnapshot other;
    other.time = 199;
    other.teammates[2].positionTime = 199;
    other.teammates[2].position = {20.0, -10.0};
    other.ballPositionTime = 199;
    other.ballPosition = {30.0, 5.0};
    encodeTeamMessage(said, other, 3, ctx.serverParams, ctx.geometry);
    ASSERT_TRUE(
        SensorParser::parseHear("(hear 200 30 our 3 \"" + std::string(said.outgoingText()) + "\")",
                                ctx.sensorStore.lastHearFromTeammate));
    step(200, senseBody(200), "");
    EXPECT_EQ(world.snapshotBefore(1).teammates[2].positionTime, 199);
    EXPECT_EQ(now().teammates[2].positionTime, 199);
    EXPECT_NEAR(now().teammates[2].position.x, 20.0, 1e-9);
    EXPECT_EQ(now().ballPositionTime, 199);

    // A sender number outside 1-11 is not taken.
    step(210);
    ctx.sensorStore.lastHearFromTeammate.time = 211;
    ctx.sensorStore.lastHearFromTeammate.senderNumber = 12;
    step(211, senseBody(211), "");
    EXPECT_EQ(now().teammates[2].positionTime, kNoTime);
}

// The own message is made from the believed world after its update.
TEST_F(WorldModelTest, OwnMessageIsPreparedInTheSayTurnOnly) {
    TeamMessage said;
    const auto prepare = [&] {
        prepareOwnMessage(said, world.currentSnapshot(), kOwn, ctx.serverParams, ctx.geometry);
    };
    step(203);  // 203 mod 11 = 5: the turn of number 5
    prepare();
    ASSERT_EQ(said.outgoingText().size(), 10u);
    TeamMessage heard;
    clearTeamMessage(heard);
    ASSERT_TRUE(decodeTeamMessage(heard, said.outgoingText(), 204, kOwn, ctx.serverParams));
    EXPECT_NEAR(heard.entries[kOwn - 1].position.x, -42.5, 0.05);

    step(204);  // another player's turn
    prepare();
    EXPECT_TRUE(said.outgoingText().empty());

    // Nothing known this cycle in the next turn: nothing to say.
    step(214, senseBody(214), "");
    prepare();
    EXPECT_TRUE(said.outgoingText().empty());
}

TEST_F(WorldModelTest, AbsurdSeeMessagesChangeNothingUnsafe) {
    step(100, "((b) 5 0)");
    SeeInfo& stored = ctx.sensorStore.lastSee;
    stored.time = 101;
    stored.count = 100000;  // more than the record holds
    const auto object = [](ObjectKind kind, int id, double distance, double direction) {
        SeenObject o{};
        o.kind = kind;
        o.id = id;
        o.distance = distance;
        o.direction = direction;
        return o;
    };
    stored.objects.fill(
        object(kPlayer, kTeamNotGiven, 1e300, std::numeric_limits<double>::quiet_NaN()));
    stored.objects[0] = object(kLine, 0, 10, 90);
    stored.objects[1] = object(kFlag, 42, 15, 0);
    stored.objects[1].detailed = 1;
    stored.objects[2] = object(kBall, 0, -3, 0);
    stored.objects[3] = object(kPlayer, kOtherTeam, 5, 0);
    stored.objects[3].number = 99;
    ctx.clock.cycle = 101;
    world.updateWorld();
    EXPECT_EQ(own().positionTime, 101);
    EXPECT_EQ(now().ballPositionTime, 100);
    for (const PlayerRecord& r : now().opponents) {
        EXPECT_EQ(r.positionTime, kNoTime);
    }
}

TEST_F(WorldModelTest, UpdateAllocatesNothing) {
    ctx.config.uniformNumber = 3;
    ctx.config.quotedTeamName = "\"TestTeam\"";
    const auto texts = test::receivedMessages("v9-goalie-session.tsv", "(se");
    ASSERT_GE(texts.size(), 2u);
    SensorMessage message;
    for (const std::string& text : texts) {
        if (parser.parseMessage(text, message) && message.kind == kSenseBodyMessage) {
            ctx.sensorStore.lastBody = message.senseBody;
        } else if (message.kind == kSeeMessage) {
            ctx.sensorStore.lastSee = message.see;
        }
    }
    ASSERT_GT(ctx.sensorStore.lastSee.count, 40);
    const long before = test::allocationCount();
    for (int d = 1000; d < 1100; ++d) {
        ctx.clock.cycle = d;
        ctx.sensorStore.lastBody.time = d;
        ctx.sensorStore.lastSee.time = d;
        ctx.sensorStore.lastHearFromTeammate.time = d;
        world.updateWorld();
    }
    EXPECT_EQ(test::allocationCount(), before);
    EXPECT_EQ(now().teammates[2].positionTime, 1099);
}

// The world model with the real server's parameters and types of a recorded session.
class TypedWorldModelTest : public WorldModelTest {
  protected:
    void SetUp() override {
        WorldModelTest::SetUp();
        SensorMessage message;
        for (const std::string& text : test::receivedMessages("v9-player-session.tsv", "(")) {
            if (text.starts_with("(server_param") || text.starts_with("(player_")) {
                ASSERT_TRUE(parser.parseMessage(text, message)) << text.substr(0, 40);
                ASSERT_EQ(message.kind, kParameterMessage);
            }
        }
        ASSERT_EQ(ctx.serverParams.staminaMax, 8000.0);
    }

    void changeType(const std::string& text) {
        SensorMessage message;
        ASSERT_TRUE(parser.parseMessage(text, message)) << text;
        ASSERT_EQ(message.kind, kPlayerTypeMessage);
        world.applyPlayerTypeChange(message.typeChange);
    }
};

TEST_F(TypedWorldModelTest, TypeChangesReachTheRecordsAndRestartTheOwnStamina) {
    step(100);
    ctx.self.stamina = 1000.0;
    ctx.self.effort = 0.7;
    ctx.self.recovery = 0.6;
    changeType("(change_player_type 5 3)");
    changeType("(change_player_type 2 4)");
    changeType("(change_player_type 9)");
    EXPECT_EQ(ctx.self.type, 3);
    EXPECT_EQ(ctx.self.stamina, 8000.0);
    EXPECT_EQ(ctx.self.effort, 0.999844);
    EXPECT_EQ(ctx.self.recovery, 1.0);
    EXPECT_EQ(own().stamina, 8000.0);
    step(101);
    EXPECT_EQ(own().type, 3);
    EXPECT_EQ(now().teammates[1].type, 4);
    EXPECT_EQ(now().opponents[8].type, kUnknownPlayerType);
    EXPECT_EQ(now().opponents[7].type, kDefaultPlayerType);
    // Another teammate's change leaves the own stamina alone.
    ctx.self.stamina = 5000.0;
    changeType("(change_player_type 2 6)");
    EXPECT_EQ(ctx.self.stamina, 5000.0);
    // A new connection hears the types again: until then everybody is of the default type.
    world.resetWorld();
    EXPECT_EQ(ctx.self.type, kDefaultPlayerType);
    for (const WorldSnapshot& snapshot : world.history().snapshots) {
        EXPECT_EQ(snapshot.teammates[1].type, kDefaultPlayerType);
        EXPECT_EQ(snapshot.opponents[8].type, kDefaultPlayerType);
    }
}

TEST_F(TypedWorldModelTest, PredictionsUseEachPlayersType) {
    changeType("(change_player_type 5 5)");
    changeType("(change_player_type 2 2)");
    step(100, "((p \"Zamo\" 2) 5 0 0.5 0 0 0)");
    ASSERT_EQ(now().teammates[1].velocityTime, 100);
    const Vec2 mateVelocity = now().teammates[1].velocity;
    ctx.clock.cycle = 100;
    ASSERT_TRUE(ctx.commandSender.doDash(100));
    step(101, senseBody(101, {"dash"}), "");
    // Type 5 dashes with a power rate of 0.00489333 at the sensed effort of 1.
    EXPECT_NEAR(own().position.x, -42.5 - 0.489333, 1e-9);
    // The teammate's speed decays as type 2's does, not as the default type's 0.4.
    EXPECT_NEAR(length(now().teammates[1].velocity), length(mateVelocity) * 0.319995, 1e-9);
}

TEST_F(TypedWorldModelTest, ParametersArrivingDuringTheMatchTakeEffect) {
    ctx.serverParams.staminaMax = 4000.0;
    step(100);
    ctx.self.stamina = 4000.0;
    ctx.self.recovery = 1.0;
    step(101, "", see(101));
    EXPECT_EQ(ctx.self.stamina, 4000.0);
    SensorMessage message;
    ASSERT_TRUE(parser.parseMessage("(server_param (stamina_max 8000))", message));
    step(102, "", see(102));
    EXPECT_EQ(ctx.self.stamina, 4045.0);
}

TEST_F(TypedWorldModelTest, StaminaCapacityLimitsRecovery) {
    ctx.serverParams.staminaCapacity = 130600.0;
    std::string body = senseBody(100);
    body.replace(body.find("(stamina 4000 1)"), 16, "(stamina 3000 1 30)");
    step(100, body, see(100));
    EXPECT_EQ(ctx.self.staminaCapacity, 30.0);
    step(101, "", see(101));
    EXPECT_EQ(ctx.self.stamina, 3030.0);
    step(102, "", see(102));
    EXPECT_EQ(ctx.self.stamina, 3030.0);
    EXPECT_EQ(ctx.self.staminaCapacity, 0.0);
}

TEST_F(WorldModelTest, DirectionAndNeckAngleOfMinusSevenAreValues) {
    // The real server's messages to a player moved to (-10, 1.23) before the kick-off: it sees
    // the ball on the centre spot at direction -7, then turns its neck to -7.
    ctx.config.uniformNumber = 1;
    ctx.config.quotedTeamName = "\"Minus7\"";
    int ballsSeen = 0;
    for (const std::string& text : test::receivedMessages("v9-minus-seven-session.tsv", "(se")) {
        SensorMessage message;
        ASSERT_TRUE(replay(text, message)) << text;
        if (message.kind != kSeeMessage || text.find("((b) 10 -7 ") == std::string::npos) {
            continue;
        }
        ++ballsSeen;
        ASSERT_EQ(now().ballPositionTime, 0);
        EXPECT_NEAR(now().ballPosition.x, 0.0, 0.2);
        EXPECT_NEAR(now().ballPosition.y, 0.0, 0.2);
        EXPECT_NEAR(now().teammates[0].position.y, 1.23, 0.2);
    }
    EXPECT_GE(ballsSeen, 3);
    EXPECT_EQ(ctx.self.neckAngle, -7.0);
    EXPECT_EQ(now().teammates[0].neckAngle, -7.0);
}

}  // namespace
}  // namespace zamo
