#include "agent/net/command_formatter.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "agent/config/agent_config.h"
#include "agent/config/server_params.h"
#include "agent/net/server_endpoint.h"
#include "support/loopback_server.h"

namespace zamo {
namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

// A command text as the server receives it: without the line feed, ended by one zero byte.
std::string onWire(std::string_view text) {
    std::string datagram(text);
    datagram.push_back('\0');
    return datagram;
}

class CommandTextTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(server.ok());
        endpoint = openEndpoint("127.0.0.1", server.port(), true);
        ASSERT_NE(endpoint.socket, -1);
    }
    void TearDown() override { closeEndpoint(endpoint); }

    test::LoopbackServer server;
    ServerEndpoint endpoint;
    AgentConfig config;
    ServerParams params;
    CommandFormatter formatter{endpoint, config, params};
};

TEST_F(CommandTextTest, EveryOperationSendsItsExactText) {
    struct Case {
        std::function<bool(CommandFormatter&)> send;
        std::string text;
    };
    const std::vector<Case> cases = {
        {[](CommandFormatter& f) { return f.sendMove(-10, 5); }, "(move -10.0 5.0)"},
        {[](CommandFormatter& f) { return f.sendMove(57.5, -39); }, "(move 57.5 -39.0)"},
        {[](CommandFormatter& f) { return f.sendTurn(30); }, "(turn 30.0)"},
        {[](CommandFormatter& f) { return f.sendTurn(-179.96); }, "(turn -180.0)"},
        {[](CommandFormatter& f) { return f.sendDash(100); }, "(dash 100.0)"},
        {[](CommandFormatter& f) { return f.sendDash(-0.04); }, "(dash -0.0)"},
        {[](CommandFormatter& f) { return f.sendKick(100, 0); }, "(kick 100.0 0.0)"},
        {[](CommandFormatter& f) { return f.sendKick(47.3, -180); }, "(kick 47.3 -180.0)"},
        {[](CommandFormatter& f) { return f.sendCatch(-45); }, "(catch -45.0)"},
        {[](CommandFormatter& f) { return f.sendTackle(-100); }, "(tackle -100.0)"},
        {[](CommandFormatter& f) { return f.sendTurnNeck(-90); }, "(turn_neck -90.0)"},
        {[](CommandFormatter& f) { return f.sendSay("Abc0123456"); }, "(say Abc0123456)"},
        {[](CommandFormatter& f) { return f.sendSay("A0B(c9)xyz"); }, "(say A0B(c9)xyz)"},
        {[](CommandFormatter& f) { return f.sendChangeView(0, 1); }, "(change_view narrow high)"},
        {[](CommandFormatter& f) { return f.sendChangeView(1, 1); }, "(change_view normal high)"},
        {[](CommandFormatter& f) { return f.sendChangeView(2, 0); }, "(change_view wide low)"},
        {[](CommandFormatter& f) { return f.sendBye(); }, "(bye)"},
        {[](CommandFormatter& f) { return f.sendDone(); }, "(done)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_TRUE(c.send(formatter));
        EXPECT_EQ(server.receive(), onWire(c.text));
    }
}

TEST_F(CommandTextTest, RefusedArgumentsAndAClosedEndpointSendNothing) {
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    constexpr double kInf = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(formatter.sendChangeView(3, 1));
    EXPECT_FALSE(formatter.sendChangeView(-1, 1));
    EXPECT_FALSE(formatter.sendChangeView(1, 2));
    EXPECT_FALSE(formatter.sendDash(kNaN));
    EXPECT_FALSE(formatter.sendKick(50, kInf));
    EXPECT_FALSE(formatter.sendTurnNeck(-kInf));
    // Too wide for the command buffer: refused instead of sent cut short.
    EXPECT_FALSE(formatter.sendMove(1e300, 0));
    EXPECT_FALSE(formatter.sendSay(std::string(kMaxSayLength + 1, 'a')));
    EXPECT_FALSE(formatter.sendSay(std::string_view("ab\0cd", 5)));
    closeEndpoint(endpoint);
    EXPECT_FALSE(formatter.sendDash(50));
    EXPECT_FALSE(formatter.sendBye());
    EXPECT_EQ(server.receive(100ms), std::nullopt);
}

TEST_F(CommandTextTest, LongestSayFitsOneKilobyte) {
    const std::string message(kMaxSayLength, 'x');
    ASSERT_TRUE(formatter.sendSay(message));
    EXPECT_EQ(server.receive(), onWire("(say " + message + ")"));
}

class HandshakeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(server.ok());
        config.serverIp = "127.0.0.1";
        config.serverPort = server.port();
    }
    void TearDown() override { closeEndpoint(endpoint); }

    // Runs a handshake while a peer thread takes its request and, if given, answers it.
    HandshakeResult answered(const std::function<HandshakeResult()>& handshake,
                             std::optional<std::string> reply) {
        std::thread peer([&] {
            request = server.receive();
            if (request && reply) {
                server.reply(*reply);
            }
        });
        const auto start = SteadyClock::now();
        HandshakeResult result = handshake();
        elapsed = SteadyClock::now() - start;
        peer.join();
        return result;
    }
    HandshakeResult init(std::optional<std::string> reply, bool goalie = false) {
        return answered([&] { return formatter.initHandshake("Zamo_Left", 9.35, goalie); },
                        std::move(reply));
    }
    HandshakeResult reconnect(int number, std::optional<std::string> reply) {
        return answered([&] { return formatter.reconnectHandshake("Zamo_Left", number); },
                        std::move(reply));
    }

    static void expectFailure(const HandshakeResult& result) {
        EXPECT_EQ(result.side, 0);
        EXPECT_EQ(result.uniformNumber, kNoTime);
        EXPECT_EQ(result.playModeText, "Unknown");
        EXPECT_EQ(result.playMode, kUnknownMode);
        EXPECT_FALSE(result.succeeded());
    }

    test::LoopbackServer server;
    ServerEndpoint endpoint;
    AgentConfig config;
    ServerParams params;
    CommandFormatter formatter{endpoint, config, params};
    std::optional<std::string> request;
    SteadyClock::duration elapsed{};
};

TEST_F(HandshakeTest, InitCarriesTheVersionAndGoalieMarkAndFollowsTheReplyPort) {
    const HandshakeResult field = answered(
        [&] { return formatter.initHandshake("Zamo_Left", 7, false); }, "(init l 1 play_on)");
    EXPECT_EQ(request, onWire("(init Zamo_Left (version 7.00))"));
    EXPECT_EQ(field.side, 1);
    EXPECT_EQ(field.playMode, kPlayOn);

    const HandshakeResult result = init("(init r 7 before_kick_off)", true);
    EXPECT_EQ(request, onWire("(init Zamo_Left (version 9.35) (goalie))"));
    EXPECT_EQ(result.side, 2);
    EXPECT_EQ(result.uniformNumber, 7);
    EXPECT_EQ(result.playModeText, "before_kick_off");
    EXPECT_EQ(result.playMode, kBeforeKickOff);
    EXPECT_TRUE(result.succeeded());
    EXPECT_LT(elapsed, 1s);

    // The new endpoint is the shared one, and it now talks to the port that answered.
    ASSERT_NE(endpoint.socket, -1);
    EXPECT_EQ(ntohs(endpoint.serverAddress.sin_port), server.replyPort());
    ASSERT_TRUE(formatter.sendDash(30));
    EXPECT_EQ(server.receiveOnReplyPort(), onWire("(dash 30.0)"));
}

TEST_F(HandshakeTest, MalformedInitRepliesAreReadWithinTheirText) {
    // No closing parenthesis: the word ends with the received text.
    HandshakeResult cut = init("(init l 3 play_on");
    EXPECT_TRUE(cut.succeeded());
    EXPECT_EQ(cut.playModeText, "play_on");

    // The longest reply that fits: its word is kept to the field's width.
    const std::string longWord(52, 'a');
    HandshakeResult wide = init("(init l 3 " + longWord + ")");
    EXPECT_EQ(wide.side, 1);
    EXPECT_EQ(wide.playModeText, std::string(kPlayModeTextWidth, 'a'));
    EXPECT_FALSE(wide.succeeded());

    HandshakeResult unknownMode = init("(init l 3 foo)");
    EXPECT_EQ(unknownMode.playMode, kUnknownMode);
    EXPECT_FALSE(unknownMode.succeeded());

    // A refusal or a malformed reply fails at once.
    for (const char* reply :
         {"(init x 3 play_on)", "(init l 12 play_on)", "(init l 0 play_on)",
          "(init l seven play_on)", "(init l 3x play_on)", "(init l", "(init l 3 )",
          "(initial l 3 play_on)", "init l 3 play_on", "(reconnect l play_on)", "",
          "(error no_more_team_or_player_or_goalie)"}) {
        SCOPED_TRACE(reply);
        expectFailure(init(reply));
        EXPECT_LT(elapsed, 1s);
    }
}

TEST_F(HandshakeTest, NoReplyFailsAfterAboutThreeSeconds) {
    expectFailure(init(std::nullopt));
    EXPECT_TRUE(request);
    EXPECT_GE(elapsed, 2900ms);
    EXPECT_LT(elapsed, 4500ms);
}

TEST_F(HandshakeTest, StopRequestEndsTheWait) {
    std::atomic<bool> stop{false};
    std::thread stopper([&] {
        std::this_thread::sleep_for(50ms);
        stop = true;
    });
    const auto start = SteadyClock::now();
    const HandshakeResult result =
        formatter.initHandshake("Zamo_Left", 9.35, false, [&] { return stop.load(); });
    const auto waited = SteadyClock::now() - start;
    stopper.join();
    expectFailure(result);
    EXPECT_LT(waited, 500ms);
    EXPECT_TRUE(server.receive());
}

TEST_F(HandshakeTest, ReconnectKeepsTheNumberAskedForAndReadsLongReplies) {
    const HandshakeResult result = reconnect(5, "(reconnect l play_on)");
    EXPECT_EQ(request, onWire("(reconnect Zamo_Left 5)"));
    EXPECT_EQ(result.side, 1);
    EXPECT_EQ(result.uniformNumber, 5);
    EXPECT_EQ(result.playModeText, "play_on");
    EXPECT_EQ(result.playMode, kPlayOn);
    EXPECT_TRUE(result.succeeded());

    const HandshakeResult cut = reconnect(9, "(reconnect r before_kick_off");
    EXPECT_EQ(cut.side, 2);
    EXPECT_EQ(cut.uniformNumber, 9);
    EXPECT_EQ(cut.playMode, kBeforeKickOff);

    expectFailure(reconnect(5, "(init l 5 play_on)"));
    expectFailure(reconnect(5, "(reconnect"));

    // Replies longer than 32 bytes on the wire are not dropped.
    const HandshakeResult accepted = reconnect(4, "(reconnect l indirect_free_kick_l)");
    EXPECT_TRUE(accepted.succeeded());
    EXPECT_EQ(accepted.playMode, kIndirectFreeKickL);

    expectFailure(reconnect(4, "(error cannot_reconnect_while_playon)"));
    EXPECT_LT(elapsed, 1s);
}

TEST_F(HandshakeTest, EachAttemptReplacesAndClosesThePreviousSocket) {
    ASSERT_TRUE(init("(init l 2 before_kick_off)").succeeded());
    const int first = endpoint.socket;
    ASSERT_TRUE(reconnect(2, "(reconnect l before_kick_off)").succeeded());
    EXPECT_NE(endpoint.socket, first);
    errno = 0;
    EXPECT_EQ(::fcntl(first, F_GETFD), -1);
    EXPECT_EQ(errno, EBADF);
}

}  // namespace
}  // namespace zamo
