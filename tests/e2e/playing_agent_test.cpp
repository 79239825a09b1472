// The agent program deciding for real: a headless agent against the scripted server that shows it
// the field from where it stands. What the agent sends is checked on the wire.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "agent/config/server_params.h"
#include "agent/perception/team_message.h"
#include "e2e/practice_match.h"
#include "support/agent_process.h"
#include "support/temp_dir.h"
#include "tools/test_server/test_server.h"

namespace zamo {
namespace {

using namespace std::chrono_literals;
using test::AgentProcess;

constexpr int kUniformNumber = 7;

class PlayingAgentTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!test::agentProgramBuilt()) {
            GTEST_SKIP() << "ZamoSoccer is not built (" << test::agentProgramPath() << ")";
        }
        const auto conf = e2e::writeShippedConf(directory);
        ASSERT_TRUE(conf) << "no shipped configuration";
        confPath = *conf;
    }

    static TestServerOptions options(const std::string& playMode) {
        TestServerOptions result;
        result.uniformNumber = kUniformNumber;
        result.playMode = playMode;
        result.seeFromPlayer = true;
        result.playerX = -30.0;
        result.playerY = 10.0;
        result.ballX = -25.0;
        result.ballY = 8.0;
        // Visual messages early in the cycle, so that the decision waits for them.
        result.seePhaseMs = 5;
        return result;
    }

    bool startAgent(const TestServer& server) {
        return agent.start(
            test::agentProgramPath(),
            {"--headless", "--team_name", "Zamo_Left", "--player_id",
             std::to_string(kUniformNumber), "--server_ip", "127.0.0.1", "--server_port",
             std::to_string(server.port()), "--zamo_conf_path", confPath});
    }

    void playCycles(TestServer& server, int bodies) {
        ASSERT_TRUE(server.waitUntil([&] { return server.sentCount("(sense_body") >= bodies; },
                                     std::chrono::milliseconds(bodies * 100 + 4000)));
        agent.signal(SIGTERM);
        ASSERT_TRUE(agent.waitForExit(5s));
    }

    // The cycle of the last body sense the server sent before ms.
    static int cycleAt(const TestServer& server, double ms) {
        int cycle = -1;
        for (const SentDatagram& datagram : server.sent()) {
            if (datagram.sentMs > ms) {
                break;
            }
            int number = 0;
            if (std::sscanf(datagram.text.c_str(), "(sense_body %d", &number) == 1) {
                cycle = number;
            }
        }
        return cycle;
    }

    test::TempDir directory;
    std::string confPath;
    AgentProcess agent;
};

TEST_F(PlayingAgentTest, BeforeKickOffMovesOnceToTheShippedHomeAndThenStands) {
    TestServer server(options("before_kick_off"));
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(startAgent(server));
    playCycles(server, 30);

    const auto moves = server.receivedStartingWith("(move ");
    std::string sent;
    for (const ReceivedDatagram& move : moves) {
        sent += move.text + " at " + std::to_string(move.arrivalMs) + " ms; ";
    }
    ASSERT_EQ(moves.size(), 1u) << sent;
    double x = 0.0;
    double y = 0.0;
    ASSERT_EQ(std::sscanf(moves[0].text.c_str(), "(move %lf %lf)", &x, &y), 2);
    // Player 7 of the shipped kick-off formation stands at (-24, 0).
    EXPECT_DOUBLE_EQ(x, -24.0);
    EXPECT_DOUBLE_EQ(y, 0.0);
}

TEST_F(PlayingAgentTest, InPlayItRunsForAFreeBallStraightAhead) {
    TestServerOptions ahead = options("play_on");
    ahead.ballX = -24.0;
    ahead.ballY = 10.0;
    TestServer server(ahead);
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(startAgent(server));
    playCycles(server, 15);
    const auto dashes = server.receivedStartingWith("(dash ");
    ASSERT_FALSE(dashes.empty());
    double power = 0.0;
    ASSERT_EQ(std::sscanf(dashes[0].text.c_str(), "(dash %lf)", &power), 1);
    EXPECT_GT(power, 0.0);
    EXPECT_TRUE(server.receivedStartingWith("(move ").empty());
}

TEST_F(PlayingAgentTest, WhileTheGoalieHoldsTheBallNoBodyCommandAndTheSayInItsTurn) {
    TestServer server(options("goalie_catch_ball_l"));
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(startAgent(server));
    // Turns come every 11 cycles, and a turn without a visual message of its own cycle has
    // nothing to say: at a wide view (every third cycle) cycles 7 and 40 both speak.
    playCycles(server, 45);

    for (const ReceivedDatagram& datagram : server.received()) {
        EXPECT_FALSE(e2e::isBodyCommand(datagram.text)) << datagram.text;
    }

    const auto says = server.receivedStartingWith("(say ");
    ASSERT_GE(says.size(), 2u);
    const ServerParams params;
    for (const ReceivedDatagram& say : says) {
        const int cycle = cycleAt(server, say.arrivalMs);
        EXPECT_EQ(cycle % 11, kUniformNumber % 11) << say.text << " in cycle " << cycle;

        ASSERT_TRUE(say.text.ends_with(")"));
        const std::string text = say.text.substr(5, say.text.size() - 6);
        ASSERT_EQ(text.size(), 10u) << say.text;
        TeamMessage heard;
        clearTeamMessage(heard);
        ASSERT_TRUE(decodeTeamMessage(heard, text, cycle + 1, kUniformNumber, params));
        // What the agent knew: where it stands and where the ball lies.
        const TeamMessageEntry& own = heard.entries[kUniformNumber - 1];
        ASSERT_EQ(own.positionTime, cycle) << text;
        EXPECT_NEAR(own.position.x, -30.0, 0.5) << text;
        EXPECT_NEAR(own.position.y, 10.0, 0.5) << text;
        ASSERT_EQ(heard.ballPositionTime, cycle) << text;
        EXPECT_NEAR(heard.ballPosition.x, -25.0, 0.5) << text;
        EXPECT_NEAR(heard.ballPosition.y, 8.0, 0.5) << text;
    }
}

}  // namespace
}  // namespace zamo
