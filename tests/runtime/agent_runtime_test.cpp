// The receive and think loops against a server the test plays itself, message by message: when a
// cycle is handed on, and the synchronous mode's "(think)" and "(done)". The agent runs in-process
// so that a thread sanitizer build sees every hand-off.
#include "agent/runtime/agent_runtime.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "agent/config/launch_arguments.h"
#include "agent/runtime/agent.h"
#include "support/loopback_client.h"
#include "support/protocol_log.h"

namespace zamo {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::string kSourceDir = ZAMO_SOURCE_DIR;
const std::string kSynchSession = "v9-synch-mode-session.tsv";

class QuietHost : public AgentHost {
  public:
    void redraw() override {}
    void requestDialog(DialogKind) override {}
    void requestClose(CloseReason) override {}
    void updateTitle(std::string_view) override {}
    void lifecycleEvent(std::string_view) override {}
};

// The text with its cycle number (the first number after the kind) replaced.
std::string withCycle(const std::string& text, int cycle) {
    const auto start = text.find(' ') + 1;
    const auto end = text.find(' ', start);
    return text.substr(0, start) + std::to_string(cycle) + text.substr(end);
}

// Standing at (-30, 10) facing the opponent goal with a free ball 12 m away at (-20, 4): the agent
// runs for it every cycle, and watches the ball narrow.
const std::string kSee =
    "(see 0 ((f c) 31.6 -18) ((f c t) 53.3 -56) ((f c b) 38.4 39) ((f p r c) 66.8 -9) "
    "((f r t) 93.5 -28) ((f r b) 85.9 16) ((g r) 83.1 -7) ((b) 11.7 -31 0 0) ((l r) 82.5 90))";

std::string body(int cycle, const std::string& width) {
    return "(sense_body " + std::to_string(cycle) + " (view_mode high " + width +
           ") (stamina 8000 1 130600) (speed 0 0) (head_angle 0))";
}

class ScriptedServerTest : public ::testing::Test {
  protected:
    void TearDown() override { agent.teardown(); }

    void connect(const std::string& playMode, const std::string& version = "") {
        LaunchArguments arguments;
        arguments.serverVersion = version;
        arguments.teamName = "SynchTeam";
        arguments.playerId = "7";
        arguments.serverIp = "127.0.0.1";
        arguments.serverPort = std::to_string(server.port());
        arguments.confPath = kSourceDir + "/data/zamo_soccer.conf";
        agent.loadConfiguration(arguments, std::filesystem::temp_directory_path());
        agent.context().config.strategyDirectoryPath = kSourceDir + "/data/strategy/";
        answerInit(playMode);
    }

    // Registers the agent (in a thread of its own, as the agent waits for the reply) and answers
    // from the test's socket; then the test is the server.
    void answerInit(const std::string& playMode) {
        std::thread connecting([this] { agent.connectWithInit(); });
        const auto init = server.receive(3s);
        ASSERT_TRUE(init.has_value());
        ASSERT_TRUE(init->text.starts_with("(init SynchTeam"));
        agentPort = init->senderPort;
        send("(init l 7 " + playMode + ")");
        connecting.join();
        ASSERT_TRUE(agent.connected());
    }

    void send(const std::string& text) { ASSERT_TRUE(server.sendTo(agentPort, text)); }

    // What the agent sent within timeout, up to and including the first text starting with
    // until (everything that came when until is empty).
    std::vector<std::string> collect(std::chrono::milliseconds timeout, const std::string& until) {
        std::vector<std::string> texts;
        const auto deadline = Clock::now() + timeout;
        while (Clock::now() < deadline) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            const auto datagram = server.receive(std::max(left, 1ms));
            if (!datagram) {
                break;
            }
            texts.push_back(datagram->text);
            if (!until.empty() && datagram->text.starts_with(until)) {
                break;
            }
        }
        return texts;
    }

    // Milliseconds from since to the first command other than a view change, within 95 ms; the
    // view changes are kept in views.
    std::optional<double> firstCommandAfter(Clock::time_point since) {
        const auto deadline = since + 95ms;
        while (Clock::now() < deadline) {
            const auto datagram = server.receive(
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()) +
                1ms);
            if (datagram && datagram->text.starts_with("(change_view ")) {
                views.push_back(datagram->text);
            } else if (datagram) {
                return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
            }
        }
        return std::nullopt;
    }

    // Takes the rest of a cycle's sends, keeping the view changes.
    void drain() {
        for (const std::string& text : collect(10ms, "")) {
            if (text.starts_with("(change_view ")) {
                views.push_back(text);
            }
        }
    }

    // A cycle of a server that keeps time, 100 ms long, with the visual message 20 ms into it:
    // when the first command came, counted from the body sense.
    std::optional<double> playCycle(const std::string& bodySense, int cycle) {
        const auto start = Clock::now();
        send(bodySense);
        std::this_thread::sleep_until(start + 20ms);
        send(withCycle(kSee, cycle));
        const auto after = firstCommandAfter(start);
        std::this_thread::sleep_until(start + 100ms);
        drain();
        return after;
    }

    test::LoopbackClient server;
    int agentPort = 0;
    QuietHost host;
    Agent agent{host};
    std::vector<std::string> views;
};

// The real server's session in synchronous mode, replayed to the agent: it decides only on
// "(think)", never on a clock, and answers each with its commands and then "(done)".
TEST_F(ScriptedServerTest, SynchronousModeDecidesOnThinkAndAnswersDoneAfterItsCommands) {
    connect("before_kick_off");
    std::vector<std::string> session = test::receivedMessages(kSynchSession, "(");
    // The recording ends with a cycle that was not asked for.
    while (!session.empty() && session.back() != "(think)") {
        session.pop_back();
    }
    int thinks = 0;
    int commands = 0;
    for (const std::string& text : session) {
        if (text.starts_with("(init ")) {
            continue;
        }
        if (text != "(think)") {
            send(text);
            continue;
        }
        ++thinks;
        if (thinks % 25 == 1) {
            // Longer than the decision deadline of a server that keeps time: still nothing,
            // since here only the server's word starts a decision.
            EXPECT_TRUE(collect(150ms, "").empty()) << "before (think) " << thinks;
        }
        send(text);
        const std::vector<std::string> answer = collect(2s, "(done)");
        ASSERT_FALSE(answer.empty()) << "no answer to (think) " << thinks;
        EXPECT_EQ(answer.back(), "(done)") << "(think) " << thinks;
        for (std::size_t i = 0; i + 1 < answer.size(); ++i) {
            EXPECT_NE(answer[i], "(done)") << "(think) " << thinks;
        }
        commands += static_cast<int>(answer.size()) - 1;
    }
    ASSERT_GT(thinks, 50);
    EXPECT_GT(commands, 10);

    // A (think) without a body sense since the last one: nothing to decide, only the answer.
    send("(think)");
    EXPECT_EQ(collect(2s, "(done)"), std::vector<std::string>{"(done)"});

    agent.teardown();
    const CycleStatsSummary stats = agent.context().runtime.stats().summary();
    EXPECT_EQ(stats.cyclesPlayed, thinks);
    EXPECT_EQ(stats.lateCycles, 0);
    EXPECT_GT(stats.reactionMaxUs, 0);
}

// Without the server's parameters the first "(think)" tells the mode; a cycle already decided by
// then is answered at once.
TEST_F(ScriptedServerTest, FirstThinkSwitchesToSynchronousMode) {
    connect("play_on");
    const auto bodies = test::receivedMessages(kSynchSession, "(sense_body ");
    ASSERT_GE(bodies.size(), 3u);
    send(withCycle(bodies[0], 1));
    // No visual message is expected at first: the cycle is decided at its body sense.
    const auto decided = collect(500ms, "");
    EXPECT_FALSE(decided.empty());
    send("(think)");
    EXPECT_EQ(collect(2s, "(done)"), std::vector<std::string>{"(done)"});

    send(withCycle(bodies[1], 2));
    EXPECT_TRUE(collect(150ms, "").empty()) << "decided before (think) once the mode was known";
    send("(think)");
    const auto answer = collect(2s, "(done)");
    ASSERT_FALSE(answer.empty());
    EXPECT_EQ(answer.back(), "(done)");
    std::lock_guard lock(agent.context().runtime.mutex());
    EXPECT_TRUE(agent.context().runtime.synchronous());
}

// A server that keeps time: the cycle is handed on at its visual message when one is expected in
// time, and at the decision deadline when that message does not come.
TEST_F(ScriptedServerTest, ExpectedVisualMessageIsWaitedForUntilTheDeadline) {
    connect("play_on");
    const auto bodies = test::receivedMessages(kSynchSession, "(sense_body ");
    ASSERT_FALSE(bodies.empty());
    // Visual messages 20 ms into each cycle teach the agent to wait for them.
    for (int cycle = 1; cycle <= 4; ++cycle) {
        const auto after = playCycle(withCycle(bodies[0], cycle), cycle);
        if (cycle >= 3) {
            ASSERT_TRUE(after.has_value()) << "cycle " << cycle;
            // Not at the body sense: the decision waited for the visual message.
            EXPECT_GE(*after, 19.0) << "cycle " << cycle;
            EXPECT_LT(*after, 35.0) << "cycle " << cycle;
        }
    }
    // This cycle's visual message does not come: the decision comes at the deadline.
    const auto start = Clock::now();
    send(withCycle(bodies[0], 5));
    const auto after = firstCommandAfter(start);
    ASSERT_TRUE(after.has_value());
    EXPECT_GE(*after, 70.0);
    EXPECT_LT(*after, 95.0);
}

// Registered with version 18, the visual message of a cycle whose turn it is follows the body
// sense at once: the decision waits for it in those cycles only, and the view is the one the
// decision wants.
TEST_F(ScriptedServerTest, VisualMessagesInStepWithTheCyclesAreWaitedForOnlyWhenDue) {
    connect("play_on", "18");
    // Narrow: a message every cycle, here 20 ms late; the decision waits for it.
    for (int cycle = 1; cycle <= 2; ++cycle) {
        const auto after = playCycle(body(cycle, "narrow"), cycle);
        ASSERT_TRUE(after.has_value()) << "cycle " << cycle;
        EXPECT_GE(*after, 19.0) << "cycle " << cycle;
    }
    // Normal, seen in the cycle before: no message is due, and the decision comes at once.
    const auto start = Clock::now();
    send(body(3, "normal"));
    const auto after = firstCommandAfter(start);
    ASSERT_TRUE(after.has_value());
    EXPECT_LT(*after, 15.0);
    std::this_thread::sleep_until(start + 100ms);
    drain();
    // The width the decision wants is the one asked for.
    ASSERT_FALSE(views.empty());
    EXPECT_TRUE(views.back().starts_with("(change_view narrow high)"));
}

// A cycle left waiting for its visual message when the connection ended is not decided in the
// next connection: nothing is sent before that connection's own first body sense.
TEST_F(ScriptedServerTest, ACycleOfAnEarlierConnectionIsNeverDecided) {
    connect("play_on");
    const auto bodies = test::receivedMessages(kSynchSession, "(sense_body ");
    ASSERT_FALSE(bodies.empty());
    for (int cycle = 1; cycle <= 3; ++cycle) {
        playCycle(withCycle(bodies[0], cycle), cycle);
    }
    // Now waiting for this cycle's visual message; the connection ends first.
    send(withCycle(bodies[0], 4));
    std::this_thread::sleep_for(10ms);
    agent.teardown();
    collect(50ms, "");

    answerInit("play_on");
    EXPECT_TRUE(collect(300ms, "").empty());
}

}  // namespace
}  // namespace zamo
