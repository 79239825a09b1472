// The agent's threads against the scripted server in-process, so that a thread sanitizer build
// sees every hand-off between them.
#include "agent/runtime/agent.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "agent/config/launch_arguments.h"
#include "support/loopback_client.h"
#include "tools/test_server/test_server.h"

namespace zamo {
namespace {

using namespace std::chrono_literals;

class RecordingHost : public AgentHost {
  public:
    void redraw() override { ++redraws; }
    void requestDialog(DialogKind kind) override {
        ++dialogs;
        if (onDialog) {
            onDialog(kind);
        }
    }
    void requestClose(CloseReason reason) override {
        closeReason = reason;
        closeRequested = true;
    }
    void updateTitle(std::string_view caption) override {
        std::lock_guard lock(mutex);
        title = caption;
    }
    void lifecycleEvent(std::string_view text) override {
        std::lock_guard lock(mutex);
        events.emplace_back(text);
    }

    std::function<void(DialogKind)> onDialog;
    std::atomic<int> redraws{0};
    std::atomic<int> dialogs{0};
    std::atomic<bool> closeRequested{false};
    std::atomic<CloseReason> closeReason{CloseReason::kServerSilent};
    std::mutex mutex;
    std::string title;
    std::vector<std::string> events;
};

LaunchArguments argumentsFor(int port) {
    LaunchArguments arguments;
    arguments.teamName = "Zamo_Left";
    arguments.serverIp = "127.0.0.1";
    arguments.serverPort = std::to_string(port);
    arguments.serverVersion = "9.35";
    arguments.confPath = "/nonexistent/zamo_soccer.conf";
    return arguments;
}

std::size_t countStartingWith(const TestServer& server, const std::string& prefix) {
    return server.receivedStartingWith(prefix).size();
}

// Waits until the server has received at least count moves.
bool movesReach(const TestServer& server, std::size_t count,
                std::chrono::milliseconds timeout = 3s) {
    return server.waitUntil([&] { return countStartingWith(server, "(move ") >= count; }, timeout);
}

class AgentTest : public ::testing::Test {
  protected:
    void startAgent(int port) {
        agent.loadConfiguration(argumentsFor(port), std::filesystem::temp_directory_path());
    }

    RecordingHost host;
    Agent agent{host};
};

TEST_F(AgentTest, ConnectsPlaysTearsDownAndConnectsAgainWithTheSameComponents) {
    TestServer server;
    ASSERT_TRUE(server.start());
    startAgent(server.port());
    EXPECT_EQ(agent.state(), AgentState::kStarting);

    agent.connectWithInit();
    ASSERT_TRUE(agent.connected());
    EXPECT_EQ(agent.state(), AgentState::kPlaying);
    EXPECT_EQ(agent.context().config.uniformNumber, 1);
    EXPECT_EQ(agent.context().config.side, 1);
    EXPECT_TRUE(agent.uniformNumberKnown());
    ASSERT_TRUE(movesReach(server, 5));
    EXPECT_GT(host.redraws.load(), 0);

    agent.teardown();
    EXPECT_EQ(agent.state(), AgentState::kDisconnected);
    EXPECT_EQ(agent.context().endpoint.socket, -1);
    std::this_thread::sleep_for(50ms);
    const auto afterTeardown = server.received().size();
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(server.received().size(), afterTeardown);  // nothing stopped sends again
    EXPECT_EQ(countStartingWith(server, "(bye)"), 1u);
    agent.teardown();  // nothing more to say
    EXPECT_EQ(countStartingWith(server, "(bye)"), 1u);

    const auto movesBefore = countStartingWith(server, "(move ");
    agent.connectWithInit();
    ASSERT_TRUE(agent.connected());
    ASSERT_TRUE(movesReach(server, movesBefore + 3));
    agent.teardown();
    EXPECT_TRUE(server.waitUntil([&] { return countStartingWith(server, "(bye)") == 2u; }, 1s));
    std::lock_guard lock(host.mutex);
    EXPECT_EQ(host.title, " Zamo_Left");
}

TEST_F(AgentTest, SilentServerEndsPlayAndAPausedAgentWaitsForever) {
    TestServer server;
    ASSERT_TRUE(server.start());
    startAgent(server.port());
    // A 10 ms cycle makes the silence limit 150 polls, about 1.5 s.
    agent.context().serverParams.cycleLength = 10;
    agent.connectWithInit();
    ASSERT_TRUE(agent.connected());
    ASSERT_TRUE(movesReach(server, 2));

    agent.setPlaying(false);
    EXPECT_EQ(agent.state(), AgentState::kPaused);
    server.fallSilent();
    std::this_thread::sleep_for(2500ms);
    EXPECT_FALSE(host.closeRequested.load());

    const auto silentSince = std::chrono::steady_clock::now();
    agent.setPlaying(true);
    ASSERT_TRUE(server.waitUntil([&] { return host.closeRequested.load(); }, 5s));
    const auto took = std::chrono::steady_clock::now() - silentSince;
    EXPECT_GE(took, 1400ms);
    EXPECT_EQ(host.closeReason.load(), CloseReason::kServerSilent);
    EXPECT_TRUE(agent.connected());  // the host tears down

    agent.teardown();
    EXPECT_TRUE(server.waitUntil([&] { return countStartingWith(server, "(bye)") == 1u; }, 1s));
    std::lock_guard lock(host.mutex);
    EXPECT_NE(std::find(host.events.begin(), host.events.end(), "paused"), host.events.end());
}

TEST_F(AgentTest, FailedAutomaticConnectionAsksToCloseAndTeardownStopsAWaitingOne) {
    TestServerOptions refusing;
    refusing.reply = RegistrationReply::kRefuse;
    TestServer refuser(refusing);
    ASSERT_TRUE(refuser.start());
    startAgent(refuser.port());
    ASSERT_TRUE(agent.startAutoConnect());
    ASSERT_TRUE(refuser.waitUntil([&] { return host.closeRequested.load(); }, 2s));
    EXPECT_EQ(host.closeReason.load(), CloseReason::kConnectFailed);
    agent.teardown();
    EXPECT_EQ(countStartingWith(refuser, "(bye)"), 0u);

    TestServerOptions silentOptions;
    silentOptions.reply = RegistrationReply::kSilent;
    TestServer silent(silentOptions);
    ASSERT_TRUE(silent.start());
    host.closeRequested = false;
    agent.context().config.serverPort = silent.port();
    ASSERT_TRUE(agent.startAutoConnect());
    EXPECT_FALSE(agent.startAutoConnect());  // one of a kind at a time
    ASSERT_TRUE(silent.waitUntil([&] { return silent.received().size() == 1; }, 2s));
    EXPECT_EQ(agent.state(), AgentState::kConnecting);

    const auto before = std::chrono::steady_clock::now();
    agent.teardown();
    EXPECT_LT(std::chrono::steady_clock::now() - before, 500ms);
    EXPECT_FALSE(host.closeRequested.load());  // stopped, not failed
    EXPECT_EQ(agent.state(), AgentState::kDisconnected);
}

TEST_F(AgentTest, ConnectDialogAsksAgainAfterAFailureAndTakesWhatWasTyped) {
    TestServerOptions refusing;
    refusing.reply = RegistrationReply::kRefuse;
    TestServer refuser(refusing);
    TestServer server;
    ASSERT_TRUE(refuser.start());
    ASSERT_TRUE(server.start());
    startAgent(refuser.port());

    std::vector<std::string> shownTeams;
    host.onDialog = [&](DialogKind kind) {
        DialogValues& values = agent.dialogValues(kind);
        shownTeams.push_back(values.teamName);
        values.teamName = "Zamo_Right";
        values.isGoalie = true;
        // First attempt at the refusing server, the second at the one that accepts.
        values.serverPort = host.dialogs.load() == 1 ? refuser.port() : server.port();
        agent.answerDialog(kind, true);
    };
    agent.connectDialogLoop();
    ASSERT_TRUE(agent.connected());
    EXPECT_EQ(host.dialogs.load(), 2);
    EXPECT_EQ(shownTeams, (std::vector<std::string>{"Zamo_Left", "Zamo_Right"}));
    EXPECT_EQ(agent.context().config.quotedTeamName, "\"Zamo_Right\"");
    const auto init = server.receivedStartingWith("(init ");
    ASSERT_EQ(init.size(), 1u);
    EXPECT_EQ(init[0].text, "(init Zamo_Right (version 9.35) (goalie))");
    agent.teardown();

    host.onDialog = [&](DialogKind kind) { agent.answerDialog(kind, false); };
    const int dialogsBefore = host.dialogs.load();
    agent.reconnectDialogLoop();
    EXPECT_EQ(host.dialogs.load(), dialogsBefore + 1);
    EXPECT_FALSE(agent.connected());
    EXPECT_TRUE(server.receivedStartingWith("(reconnect ").empty());
}

TEST_F(AgentTest, DatagramsFromAStrangerNeitherRedirectCommandsNorReachTheParser) {
    TestServer server;
    ASSERT_TRUE(server.start());
    startAgent(server.port());
    agent.connectWithInit();
    ASSERT_TRUE(agent.connected());
    ASSERT_TRUE(movesReach(server, 2));

    test::LoopbackClient stranger;
    ASSERT_TRUE(stranger.sendTo(server.agentPort(), "(hear 0 referee play_on)"));
    EXPECT_FALSE(stranger.receive(400ms));
    {
        std::lock_guard lock(agent.context().runtime.mutex());
        EXPECT_EQ(agent.context().playMode.mode, kBeforeKickOff);
    }
    const auto moves = countStartingWith(server, "(move ");
    ASSERT_TRUE(movesReach(server, moves + 2, 2s));

    // The same word from the server does change the play mode.
    server.sendReferee("play_on");
    ASSERT_TRUE(server.waitUntil(
        [&] {
            std::lock_guard lock(agent.context().runtime.mutex());
            return agent.context().playMode.mode == kPlayOn;
        },
        2s));
    agent.teardown();
}

// The view control's sends, captured by a client standing in for the server.
class ViewControlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        context.endpoint = openEndpoint("127.0.0.1", receiver.port(), true);
        ASSERT_GE(context.endpoint.socket, 0);
        context.sensorStore.lastBody.viewWidth = 1;
        context.sensorStore.lastBody.changeViewCount = 0;
    }
    void TearDown() override { closeEndpoint(context.endpoint); }

    std::string nextSent() {
        const auto datagram = receiver.receive(200ms);
        return datagram ? datagram->text : std::string("(nothing)");
    }

    test::LoopbackClient receiver;
    RecordingHost host;
    Agent agent{host};
    AgentContext& context = agent.context();
    AgentRuntime& runtime = context.runtime;
};

TEST_F(ViewControlTest, AfterAVisualMessageWidensWhileTheNextOneStillFitsTheCycle) {
    context.cycleTimer.seeOffset = -100;
    runtime.controlViewAfterSee();
    EXPECT_EQ(nextSent(), "(change_view wide high)");
    EXPECT_EQ(context.sensorStore.lastBody.viewWidth, 2);
    EXPECT_EQ(context.sensorStore.lastBody.changeViewCount, 1);
    runtime.controlViewAfterSee();  // already asked for
    EXPECT_EQ(nextSent(), "(nothing)");

    // Even wide would arrive within the cycle: no width fits the rule, and narrow is taken.
    context.cycleTimer.seeOffset = -200;
    runtime.controlViewAfterSee();
    EXPECT_EQ(nextSent(), "(change_view narrow high)");

    // Late in the cycle at normal width: it stays.
    context.sensorStore.lastBody.viewWidth = 1;
    context.cycleTimer.seeOffset = 40;
    runtime.controlViewAfterSee();
    EXPECT_EQ(nextSent(), "(nothing)");
}

TEST_F(ViewControlTest, AfterABodySenseSyncsToTheWantedWidthOrChoosesOne) {
    context.cycleTimer.syncSee = true;
    context.self.wantedViewWidth = 0;
    runtime.controlViewAfterBody();
    EXPECT_EQ(nextSent(), "(change_view narrow high)");

    context.cycleTimer.syncSee = false;
    context.sensorStore.lastBody.viewWidth = 2;
    context.cycleTimer.seeOffset = -220;
    runtime.controlViewAfterBody();
    EXPECT_EQ(nextSent(), "(change_view normal high)");
    EXPECT_TRUE(context.cycleTimer.syncSee);

    context.cycleTimer.syncSee = false;
    context.cycleTimer.seeOffset = -60;
    runtime.controlViewAfterBody();  // normal would arrive at 90, before 105: go wide
    EXPECT_EQ(nextSent(), "(change_view wide high)");
}

}  // namespace
}  // namespace zamo
