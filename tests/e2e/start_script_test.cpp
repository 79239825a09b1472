// The competition scripts scripts/start.sh and scripts/kill.sh, run against the scripted server
// with real agent processes.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/agent_process.h"
#include "support/match_record.h"
#include "support/monitor_run.h"
#include "support/team_match.h"
#include "support/temp_dir.h"
#include "tools/test_server/test_server.h"

extern char** environ;

namespace zamo {
namespace {

using namespace std::chrono_literals;
using test::AgentProcess;
using test::isRunningAgent;
using test::readPidFile;
using test::readText;

const std::string kStartScript = std::string(ZAMO_SOURCE_DIR) + "/scripts/start.sh";
const std::string kKillScript = std::string(ZAMO_SOURCE_DIR) + "/scripts/kill.sh";
const std::string kShippedConf = std::string(ZAMO_SOURCE_DIR) + "/data/zamo_soccer.conf";

// The arguments of a process, or nothing when it has ended (a zombie's list is empty).
std::vector<std::string> commandLineOf(pid_t pid) {
    const std::string text = readText("/proc/" + std::to_string(pid) + "/cmdline");
    std::vector<std::string> arguments;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find('\0', start);
        arguments.push_back(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return arguments;
}

// The value that follows switch name in the arguments; nothing when the switch is missing.
std::optional<std::string> switchValue(const std::vector<std::string>& arguments,
                                       const std::string& name) {
    for (std::size_t i = 0; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == name) {
            return arguments[i + 1];
        }
    }
    return std::nullopt;
}

// Kills, by id, every player still listed in the pid file when the test ends, however it ends.
class PlayerReaper {
  public:
    explicit PlayerReaper(std::filesystem::path pidFile) : pidFile_(std::move(pidFile)) {}
    ~PlayerReaper() {
        for (const pid_t pid : readPidFile(pidFile_)) {
            if (isRunningAgent(pid)) {
                ::kill(pid, SIGKILL);
            }
        }
    }
    PlayerReaper(const PlayerReaper&) = delete;
    PlayerReaper& operator=(const PlayerReaper&) = delete;

  private:
    std::filesystem::path pidFile_;
};

test::ProgramRun runScript(const std::string& script, const std::vector<std::string>& arguments) {
    return test::runToEnd(script, arguments, 60s);
}

std::set<int> distinct(const std::vector<ReceivedDatagram>& datagrams,
                       int ReceivedDatagram::*port) {
    std::set<int> ports;
    for (const auto& datagram : datagrams) {
        ports.insert(datagram.*port);
    }
    return ports;
}

class StartScriptTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!test::agentProgramBuilt()) {
            GTEST_SKIP() << "ZamoSoccer is not built (" << test::agentProgramPath() << ")";
        }
    }

    // The options that point the scripts at the server, the built program and a private folder.
    std::vector<std::string> teamArguments(const TestServer& server) const {
        return {"-h", "127.0.0.1",     "-p", std::to_string(server.port()), "-t", "Zamo",
                "-b", ZAMO_BINARY_DIR, "-d", runDir.path().string()};
    }

    std::filesystem::path pidFile() const { return runDir.path() / ".zamo-Zamo.pids"; }

    test::TempDir runDir;
};

TEST_F(StartScriptTest, RegistersTheGoalieFirstThenTenPlayersAndKillStopsExactlyThose) {
    TestServerOptions options;
    options.manyClients = true;
    TestServer server(options);
    ASSERT_TRUE(server.start());
    PlayerReaper reaper(pidFile());

    std::vector<std::string> arguments = teamArguments(server);
    arguments.insert(arguments.end(), {"-n", "11"});
    const test::ProgramRun started = runScript(kStartScript, arguments);
    ASSERT_EQ(started.status, 0) << started.out << started.err;

    const auto inits = server.receivedStartingWith("(init ");
    ASSERT_EQ(inits.size(), 11u);
    EXPECT_EQ(inits[0].text, "(init Zamo (version 18.00) (goalie))");
    for (std::size_t i = 1; i < inits.size(); ++i) {
        EXPECT_EQ(inits[i].text, "(init Zamo (version 18.00))") << "registration " << i + 1;
    }
    EXPECT_EQ(distinct(inits, &ReceivedDatagram::senderPort).size(), 11u);

    const auto pids = readPidFile(pidFile());
    ASSERT_EQ(pids.size(), 11u);
    for (std::size_t i = 0; i < pids.size(); ++i) {
        const std::string id = std::to_string(i + 1);
        SCOPED_TRACE("player " + id);
        const auto commandLine = commandLineOf(pids[i]);
        ASSERT_TRUE(isRunningAgent(pids[i]));
        EXPECT_EQ(switchValue(commandLine, "--player_id"), id);
        EXPECT_EQ(switchValue(commandLine, "--team_name"), "Zamo");
        EXPECT_EQ(switchValue(commandLine, "--server_port"), std::to_string(server.port()));
        EXPECT_EQ(switchValue(commandLine, "--zamo_conf_path"), kShippedConf);
        // Registered in id order, so the server numbered each player after its id.
        EXPECT_NE(readText(runDir.path() / ("player-" + id + ".log"))
                      .find("connected as side left, number " + id + "\n"),
                  std::string::npos);
    }

    const test::ProgramRun again = runScript(kStartScript, arguments);
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("already running"), std::string::npos) << again.err;
    EXPECT_EQ(readPidFile(pidFile()), pids);

    const test::ProgramRun killed = runScript(kKillScript, {"-f", pidFile().string()});
    EXPECT_EQ(killed.status, 0) << killed.out << killed.err;
    for (const pid_t pid : pids) {
        EXPECT_FALSE(isRunningAgent(pid)) << "process " << pid;
    }
    EXPECT_FALSE(std::filesystem::exists(pidFile()));

    // Each player said goodbye on its own session; the refused second start added no one.
    EXPECT_TRUE(
        server.waitUntil([&] { return server.receivedStartingWith("(bye)").size() >= 11; }, 2s));
    std::this_thread::sleep_for(300ms);
    const auto byes = server.receivedStartingWith("(bye)");
    EXPECT_EQ(byes.size(), 11u);
    EXPECT_EQ(distinct(byes, &ReceivedDatagram::localPort).size(), 11u);
    EXPECT_EQ(server.receivedStartingWith("(init ").size(), 11u);
}

TEST_F(StartScriptTest, OnePlayerWithItsWindowAndStatisticsForEveryPlayer) {
    TestServerOptions options;
    options.manyClients = true;
    TestServer server(options);
    ASSERT_TRUE(server.start());
    PlayerReaper reaper(pidFile());
    // The window needs no display this way.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);

    const auto statsDir = runDir.path() / "stats";
    std::vector<std::string> arguments = teamArguments(server);
    arguments.insert(arguments.end(), {"-n", "2", "-W", "2", "-s", statsDir.string()});
    const test::ProgramRun started = runScript(kStartScript, arguments);
    ASSERT_EQ(started.status, 0) << started.out << started.err;

    const auto pids = readPidFile(pidFile());
    ASSERT_EQ(pids.size(), 2u);
    for (std::size_t i = 0; i < pids.size(); ++i) {
        const std::string id = std::to_string(i + 1);
        const auto commandLine = commandLineOf(pids[i]);
        ASSERT_TRUE(isRunningAgent(pids[i])) << id;
        const auto has = [&](const char* word) {
            return std::ranges::count(commandLine, word) > 0;
        };
        EXPECT_EQ(has("--headless"), id != "2") << id;
        // The window draws from the start instead of showing white.
        EXPECT_EQ(has("--draw"), id == "2") << id;
        EXPECT_EQ(switchValue(commandLine, "--stats"),
                  (statsDir / ("player-" + id + ".stats")).string());
    }
    EXPECT_EQ(server.receivedStartingWith("(init ").size(), 2u);

    const test::ProgramRun killed = runScript(kKillScript, {"-f", pidFile().string()});
    EXPECT_EQ(killed.status, 0) << killed.out << killed.err;
    // Each player wrote its figures as it ended.
    for (const std::string id : {"1", "2"}) {
        const std::string stats = readText(statsDir / ("player-" + id + ".stats"));
        EXPECT_TRUE(stats.starts_with("cycles_played ")) << id << ": " << stats;
        EXPECT_NE(stats.find("\nlate_commands "), std::string::npos) << id << ": " << stats;
    }
}

// Bad options start no one; a goalie the server refuses stops the start before any other player.
TEST_F(StartScriptTest, BadOptionsStartNoOneAndARefusedGoalieStopsTheStart) {
    TestServerOptions options;
    options.reply = RegistrationReply::kRefuse;
    TestServer server(options);
    ASSERT_TRUE(server.start());
    PlayerReaper reaper(pidFile());

    const std::vector<std::vector<std::string>> badOptions = {
        {"-n", "12"},
        {"-n", "0"},
        {"-n", "2", "-W", "3"},
        {"-W", "x"},
        {"-p", "70000"},
        {"-p", "6k"},
        {"-t", "two words"},
        {"-t", "SeventeenLetters1"},
        {"-v", "latest"},
        {"-x"},
        {"-b", runDir.path().string()},
        {"-c", "/nonexistent/zamo_soccer.conf"},
        {"left-over"}};
    for (const auto& bad : badOptions) {
        auto arguments = teamArguments(server);
        arguments.insert(arguments.end(), bad.begin(), bad.end());
        const test::ProgramRun result = runScript(kStartScript, arguments);
        EXPECT_EQ(result.status, 2) << bad.front();
        EXPECT_TRUE(result.err.starts_with("error: ")) << bad.front() << ": " << result.err;
    }
    EXPECT_FALSE(std::filesystem::exists(pidFile()));

    const test::ProgramRun started = runScript(kStartScript, teamArguments(server));
    EXPECT_EQ(started.status, 1);
    EXPECT_NE(started.err.find("the goalie did not register"), std::string::npos) << started.err;
    // A player that was started would have registered one second after its start: only the
    // goalie did.
    std::this_thread::sleep_for(1500ms);
    EXPECT_EQ(server.received().size(), 1u);
}

TEST_F(StartScriptTest, KillRefusesBadOptionsAndLeavesProcessesThatAreNoPlayersAlone) {
    const test::ProgramRun noFile =
        runScript(kKillScript, {"-f", (runDir.path() / "missing.pids").string()});
    EXPECT_EQ(noFile.status, 1);
    EXPECT_NE(noFile.err.find("no pid file"), std::string::npos) << noFile.err;
    EXPECT_EQ(runScript(kKillScript, {"-g", "0"}).status, 2);

    // Stands for an unrelated process that took over the id of a player that has ended.
    pid_t stranger = -1;
    char sleepProgram[] = "sleep";
    char sleepTime[] = "30";
    char* sleepArguments[] = {sleepProgram, sleepTime, nullptr};
    ASSERT_EQ(::posix_spawnp(&stranger, "sleep", nullptr, nullptr, sleepArguments, environ), 0);
    struct StrangerReaper {
        pid_t pid;
        ~StrangerReaper() {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    } strangerReaper{stranger};

    runDir.write(".zamo-Zamo.pids", std::to_string(stranger) + "\nnot-a-pid\n\n");
    const test::ProgramRun killed =
        runScript(kKillScript, {"-d", runDir.path().string(), "-t", "Zamo", "-g", "1"});
    EXPECT_EQ(killed.status, 0) << killed.out << killed.err;
    EXPECT_NE(killed.err.find("ignoring 'not-a-pid'"), std::string::npos) << killed.err;
    EXPECT_NE(
        killed.out.find("process " + std::to_string(stranger) + " has already ended or is no"),
        std::string::npos)
        << killed.out;
    EXPECT_EQ(::waitpid(stranger, nullptr, WNOHANG), 0) << "the stranger was stopped";
    EXPECT_FALSE(std::filesystem::exists(pidFile()));
}

}  // namespace
}  // namespace zamo
