// The agent program as a real process, run headless against the scripted server on loopback.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/agent_process.h"
#include "support/loopback_client.h"
#include "support/monitor_run.h"
#include "tools/test_server/test_server.h"

namespace zamo {
namespace {

using namespace std::chrono_literals;
using test::AgentProcess;

const char* const kInitText = "(init Zamo_Left (version 9.35))";

// Times the process's threads went to sleep and were woken, all together.
long contextSwitches(pid_t pid) {
    long total = 0;
    const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
        std::ifstream status(task.path() / "status");
        std::string line;
        while (std::getline(status, line)) {
            if (line.starts_with("voluntary_ctxt_switches:")) {
                total += std::stol(line.substr(line.find(':') + 1));
            }
        }
    }
    return total;
}

// The shared libraries the process has mapped that belong to a window toolkit.
std::vector<std::string> windowLibraries(pid_t pid) {
    std::vector<std::string> found;
    std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
    std::string line;
    while (std::getline(maps, line)) {
        for (const char* library : {"libQt", "libicu", "libglib", "libX11", "libxcb", "libGL"}) {
            if (line.find(library) != std::string::npos) {
                found.push_back(line.substr(line.find('/')));
            }
        }
    }
    return found;
}

const char* const kHomeMove = "(move -9.2 0.0)";

class HeadlessAgentTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!test::agentProgramBuilt()) {
            GTEST_SKIP() << "ZamoSoccer is not built (" << test::agentProgramPath() << ")";
        }
    }

    static std::vector<std::string> arguments(const TestServer& server) {
        const std::string port = std::to_string(server.port());
        return {"--headless",  "--team_name",      "Zamo_Left",
                "--server_ip", "127.0.0.1",        "--server_port",
                port,          "--zamo_conf_path", "/nonexistent/zamo_soccer.conf"};
    }

    bool startAgent(const TestServer& server, std::vector<std::string> extra = {}) {
        std::vector<std::string> all = arguments(server);
        all.insert(all.end(), extra.begin(), extra.end());
        return agent.start(test::agentProgramPath(), all);
    }

    AgentProcess agent;
};

// Without a server that plays, the program ends: after the registration's last retry when
// nobody answers, at once when refused (the first registration goes out after one second),
// and before registering when interrupted. Headless without --verbose, it says nothing.
TEST_F(HeadlessAgentTest, EndsWithoutPlayingWhenNobodyAnswersOnRefusalAndOnInterrupt) {
    struct Case {
        const char* name;
        RegistrationReply reply;
        bool interrupt;  // SIGINT 300 ms after the start
        int status;
        double minMs;
        double maxMs;
        std::size_t inits;
    };
    const Case cases[] = {
        {"no answer", RegistrationReply::kSilent, false, 1, 3500.0, 5500.0, 1},
        {"refused", RegistrationReply::kRefuse, false, 1, 1000.0, 2000.0, 1},
        {"interrupted", RegistrationReply::kAccept, true, 0, 0.0, 1000.0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestServerOptions options;
        options.reply = c.reply;
        TestServer server(options);
        ASSERT_TRUE(server.start());
        AgentProcess process;
        ASSERT_TRUE(process.start(test::agentProgramPath(), arguments(server)));
        if (c.interrupt) {
            std::this_thread::sleep_for(300ms);
            ASSERT_TRUE(process.signal(SIGINT));
        }
        EXPECT_EQ(process.waitForExit(10s), c.status);
        RecordProperty(std::string(c.name) + " exit_ms",
                       std::to_string(static_cast<int>(process.elapsedMs())));
        EXPECT_GE(process.elapsedMs(), c.minMs);
        EXPECT_LE(process.elapsedMs(), c.maxMs);
        const auto received = server.received();
        ASSERT_EQ(received.size(), c.inits);
        for (const ReceivedDatagram& init : received) {
            EXPECT_EQ(init.text, kInitText);
            EXPECT_TRUE(init.oneTrailingZero);
            EXPECT_EQ(init.size, std::string(kInitText).size() + 1);
        }
        EXPECT_EQ(process.standardOutput(), "");
        EXPECT_EQ(process.standardError(), "");
    }
}

TEST_F(HeadlessAgentTest, SilentServerEndsPlayAboutFifteenSecondsLaterWithStatusZero) {
    TestServer server;
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(startAgent(server, {"--verbose"}));
    ASSERT_TRUE(server.waitUntil([&] { return server.sentCount("(sense_body") >= 3; }, 5s));
    EXPECT_EQ(windowLibraries(agent.pid()), std::vector<std::string>{});
    server.fallSilent();
    const double silentAt = agent.elapsedMs();
    // Nothing comes, so nothing wakes: every thread sleeps until the silence limit.
    std::this_thread::sleep_for(300ms);
    const long switches = contextSwitches(agent.pid());
    std::this_thread::sleep_for(2s);
    EXPECT_LE(contextSwitches(agent.pid()) - switches, 2);
    EXPECT_EQ(agent.waitForExit(25s), 0);
    const double silence = agent.elapsedMs() - silentAt;
    RecordProperty("silence_to_exit_ms", std::to_string(static_cast<int>(silence)));
    EXPECT_GE(silence, 14500.0);
    EXPECT_LE(silence, 17000.0);
    EXPECT_EQ(server.receivedStartingWith("(bye)").size(), 1u);

    const std::string log = agent.standardError();
    for (const char* word : {"connected as side left, number 1", "silence", "teardown"}) {
        EXPECT_NE(log.find(word), std::string::npos) << word << " in: " << log;
    }
}

// The loops ask the scheduler for short slices; a player started with nice stays as nice.
TEST_F(HeadlessAgentTest, EveryThreadKeepsTheNicenessThePlayerWasStartedWith) {
    TestServer server;
    ASSERT_TRUE(server.start());
    std::vector<std::string> nice = {"-n", "5", test::agentProgramPath()};
    const std::vector<std::string> own = arguments(server);
    nice.insert(nice.end(), own.begin(), own.end());
    ASSERT_TRUE(agent.start("/usr/bin/nice", nice));
    ASSERT_TRUE(
        server.waitUntil([&] { return server.receivedStartingWith("(move ").size() >= 2; }, 5s));
    // nice adds to the niceness the test itself runs with.
    const std::string expected = std::to_string(std::min(19, ::getpriority(PRIO_PROCESS, 0) + 5));
    const std::filesystem::path tasks = "/proc/" + std::to_string(agent.pid()) + "/task";
    int threads = 0;
    for (const auto& task : std::filesystem::directory_iterator(tasks)) {
        std::ifstream stat(task.path() / "stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        // The fields after the command's closing parenthesis; niceness is the 17th of them.
        std::istringstream fields(text.substr(text.rfind(')') + 2));
        std::string field;
        for (int i = 0; i < 17 && fields >> field; ++i) {
        }
        EXPECT_EQ(field, expected) << task.path();
        ++threads;
    }
    EXPECT_GE(threads, 4);  // main, display refresh, receive, think
    ASSERT_TRUE(agent.signal(SIGTERM));
    EXPECT_TRUE(agent.waitForExit(5s));
}

// Before kick-off and still without a known position, every decision moves the player to its
// home position: one move per body sense shows one decision per cycle. Visual messages come late
// in the cycle, so the agent widens its view.
TEST_F(HeadlessAgentTest, DecidesOncePerBodySenseWidensItsViewAndFollowsTheReferee) {
    TestServerOptions options;
    options.seePhaseMs = 90;
    TestServer server(options);
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(startAgent(server));
    ASSERT_TRUE(server.waitUntil([&] { return server.sentCount("(sense_body") >= 25; }, 6s));

    server.sendReferee("play_on");
    ASSERT_TRUE(server.waitUntil([&] { return server.sentCount("(sense_body") >= 35; }, 3s));
    agent.signal(SIGTERM);
    ASSERT_TRUE(agent.waitForExit(5s));

    std::vector<double> bodies;
    double playOnAt = 0.0;
    for (const auto& datagram : server.sent()) {
        if (datagram.text.starts_with("(sense_body")) {
            bodies.push_back(datagram.sentMs);
        } else if (datagram.text.starts_with("(hear ") && playOnAt == 0.0) {
            playOnAt = datagram.sentMs;
        }
    }
    const auto moves = server.receivedStartingWith("(move ");
    for (const auto& move : moves) {
        EXPECT_EQ(move.text, kHomeMove);
    }
    // One decision in each cycle before play_on. A machine too busy to run the receive thread
    // for a whole cycle merges two cycles into one decision, or lets a move slip into the next
    // cycle; allow two such cycles, no more.
    int cycles = 0;
    int irregular = 0;
    std::size_t movesBeforePlayOn = 0;
    std::string irregularCycles;
    for (std::size_t i = 0; i + 1 < bodies.size() && bodies[i + 1] < playOnAt; ++i) {
        int inCycle = 0;
        for (const auto& move : moves) {
            inCycle += move.arrivalMs >= bodies[i] && move.arrivalMs < bodies[i + 1] ? 1 : 0;
        }
        movesBeforePlayOn += static_cast<std::size_t>(inCycle);
        if (inCycle != 1) {
            ++irregular;
            irregularCycles += " " + std::to_string(static_cast<int>(bodies[i])) +
                               " ms: " + std::to_string(inCycle) + " moves;";
        }
        ++cycles;
    }
    EXPECT_LE(irregular, 2) << irregularCycles;
    EXPECT_GE(movesBeforePlayOn + 2, static_cast<std::size_t>(cycles));
    EXPECT_LE(movesBeforePlayOn, static_cast<std::size_t>(cycles) + 1);
    EXPECT_GE(cycles, 20);
    // In play_on the decision has nothing to do yet, so no more moves after the next cycle.
    for (const auto& move : moves) {
        EXPECT_LT(move.arrivalMs, playOnAt + 150.0);
    }

    const auto changes = server.receivedStartingWith("(change_view");
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(changes[0].text, "(change_view wide high)");
    EXPECT_EQ(changes[0].localPort, server.clientPort());
}

// A stranger on another port is neither answered nor believed; the goodbye on termination goes
// once to the server, on the session's own port.
TEST_F(HeadlessAgentTest, IgnoresAStrangerAndSaysByeOnceOnTermination) {
    TestServer server;
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(startAgent(server));
    ASSERT_TRUE(
        server.waitUntil([&] { return server.receivedStartingWith("(move ").size() >= 2; }, 5s));

    test::LoopbackClient stranger;
    ASSERT_TRUE(stranger.sendTo(server.agentPort(), "(hear 0 referee play_on)"));
    ASSERT_TRUE(stranger.sendTo(server.agentPort(), "(init r 9 play_on)"));
    // play_on from the stranger is not believed: the moves of before_kick_off go on.
    const auto movesBefore = server.receivedStartingWith("(move ").size();
    EXPECT_FALSE(stranger.receive(500ms));
    EXPECT_GE(server.receivedStartingWith("(move ").size(), movesBefore + 3);

    ASSERT_TRUE(agent.signal(SIGTERM));
    EXPECT_EQ(agent.waitForExit(5s), 0);
    std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(stranger.receive(100ms));
    const auto byes = server.receivedStartingWith("(bye)");
    ASSERT_EQ(byes.size(), 1u);
    EXPECT_EQ(byes[0].localPort, server.clientPort());
    EXPECT_TRUE(byes[0].oneTrailingZero);
    EXPECT_EQ(agent.standardError(), "");
}

// The switches themselves are checked where the command line is read; here the program's exits.
TEST_F(HeadlessAgentTest, HelpBadOptionsAndAWindowWithoutDisplayEndAtOnce) {
    struct Case {
        std::vector<std::string> arguments;
        int status;
        bool onStandardOutput;
        const char* says;
    };
    const Case cases[] = {
        {{"--help"}, 0, true, "--zamo_conf_path"},
        {{"--headless", "--no-such-option"}, 2, false, "no-such-option"},
        // Not headless, without a display: the player says how to run it.
        {{"--team_name", "Zamo_Left"}, 2, false, "--headless"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = {"-u",
                                              "DISPLAY",
                                              "-u",
                                              "WAYLAND_DISPLAY",
                                              "-u",
                                              "QT_QPA_PLATFORM",
                                              test::agentProgramPath()};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const test::ProgramRun run = test::runToEnd("/usr/bin/env", arguments, 5s);
        EXPECT_EQ(run.status, c.status) << c.says;
        EXPECT_NE((c.onStandardOutput ? run.out : run.err).find(c.says), std::string::npos)
            << c.says << " in: " << run.out << run.err;
    }
}

}  // namespace
}  // namespace zamo
