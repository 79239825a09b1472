#include "support/team_match.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

namespace zamo::test {

namespace {

using namespace std::chrono_literals;

const std::string kSourceDir = ZAMO_SOURCE_DIR;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

bool isRunningAgent(pid_t pid) {
    const std::string arguments = readText("/proc/" + std::to_string(pid) + "/cmdline");
    const std::string program = arguments.substr(0, arguments.find('\0'));
    return !program.empty() && std::filesystem::path(program).filename() == "ZamoSoccer";
}

// "key value" lines of an agent's statistics file.
std::map<std::string, long long> readStats(const std::filesystem::path& path) {
    std::map<std::string, long long> values;
    std::ifstream in(path);
    std::string key;
    long long value = 0;
    while (in >> key >> value) {
        values[key] = value;
    }
    return values;
}

}  // namespace

std::vector<pid_t> readPidFile(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::vector<pid_t> pids;
    long pid = 0;
    while (in >> pid) {
        pids.push_back(static_cast<pid_t>(pid));
    }
    return pids;
}

std::string readText(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool waitUntil(const std::function<bool()>& ready, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!ready()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(50ms);
    }
    return true;
}

std::map<int, FieldPoint> kickOffHomes() {
    std::map<int, FieldPoint> homes;
    std::ifstream in(kSourceDir + "/data/strategy/kick_off_433.stg");
    std::string line;
    int id = 0;
    while (std::getline(in, line)) {
        FieldPoint p;
        if (std::sscanf(line.c_str(), "Player ID = %d", &id) == 1) {
            continue;
        }
        if (std::sscanf(line.c_str(), "Player Position = %lf %lf", &p.x, &p.y) == 2) {
            homes[id] = p;
        }
    }
    return homes;
}

SelfPlay::SelfPlay(std::filesystem::path folder) : folder_(std::move(folder)) {}

SelfPlay::~SelfPlay() {
    for (const std::string& team : teams()) {
        for (const pid_t pid : readPidFile(pidFile(team))) {
            if (isRunningAgent(pid)) {
                ::kill(pid, SIGKILL);
            }
        }
    }
}

const std::vector<std::string>& SelfPlay::teams() {
    static const std::vector<std::string> kTeams{"Zamo_Left", "Zamo_Right"};
    return kTeams;
}

bool SelfPlay::startTeams(int port) {
    const auto start = [&](AgentProcess& script, const std::string& team) {
        return script.start(kSourceDir + "/scripts/start.sh",
                            {"-h", "127.0.0.1", "-p", std::to_string(port), "-t", team, "-n",
                             std::to_string(kPlayersPerTeam), "-d", teamDir(team).string(), "-f",
                             pidFile(team).string(), "-s", statsDir(team).string()});
    };
    // The rest of both teams start side by side to keep the start short.
    if (!start(leftScript_, teams()[0]) ||
        !waitUntil(
            [&] {
                return readText(teamDir(teams()[0]) / "player-1.log").find("connected as") !=
                       std::string::npos;
            },
            15s) ||
        !start(rightScript_, teams()[1])) {
        return false;
    }
    const auto left = leftScript_.waitForExit(60s);
    const auto right = rightScript_.waitForExit(60s);
    EXPECT_EQ(left, 0) << leftScript_.standardError();
    EXPECT_EQ(right, 0) << rightScript_.standardError();
    return left == 0 && right == 0;
}

void SelfPlay::expectEveryoneStayedThenStop() {
    for (const std::string& team : teams()) {
        const std::vector<pid_t> pids = readPidFile(pidFile(team));
        ASSERT_EQ(pids.size(), static_cast<std::size_t>(kPlayersPerTeam)) << team;
        for (const pid_t pid : pids) {
            EXPECT_TRUE(isRunningAgent(pid)) << team << ": process " << pid << " ended early";
        }
    }
    for (const std::string& team : teams()) {
        AgentProcess killScript;
        ASSERT_TRUE(killScript.start(kSourceDir + "/scripts/kill.sh",
                                     {"-f", pidFile(team).string(), "-g", "10"}));
        EXPECT_EQ(killScript.waitForExit(30s), 0) << killScript.standardOutput();
    }
}

void SelfPlay::expectStatistics(int halfCycles) const {
    long long worstLatency = 0;
    long long worstCpu = 0;
    for (const std::string& team : teams()) {
        for (int id = 1; id <= kPlayersPerTeam; ++id) {
            const auto file = statsDir(team) / ("player-" + std::to_string(id) + ".stats");
            auto stats = readStats(file);
            const std::string who = team + " " + std::to_string(id);
            ASSERT_EQ(stats.size(), 8U) << who << ": " << readText(file);
            EXPECT_GE(stats["cycles_played"], 2 * halfCycles) << who;
            EXPECT_LE(stats["think_latency_p50_us"], stats["think_latency_p99_us"]) << who;
            EXPECT_LE(stats["think_latency_p99_us"], stats["think_latency_max_us"]) << who;
            EXPECT_LE(stats["think_cpu_p99_us"], stats["think_cpu_max_us"]) << who;
            worstLatency = std::max(worstLatency, stats["think_latency_p99_us"]);
            worstCpu = std::max(worstCpu, stats["think_cpu_p99_us"]);
            if (!kSanitized) {
                // The sanitizers' checks slow every pass several times over. Here 22 players and
                // the server share two cores and are woken in the same few milliseconds, so a
                // pass's latency includes waiting for the processor while others run: the
                // decision's own cost is its processor time. The latency still has to stay far
                // inside the cycle, and no command may miss its cycle.
                EXPECT_LT(stats["think_cpu_p99_us"], 1000) << who;
                EXPECT_LT(stats["think_latency_p99_us"], 10000)
                    << who << ": load average " << readText("/proc/loadavg");
                EXPECT_EQ(stats["late_commands"], 0) << who;
            }
        }
    }
    std::printf("worst think pass p99: latency %lld us, processor %lld us\n", worstLatency,
                worstCpu);
}

void expectMatchPlayed(const MatchSummary& summary) {
    const std::vector<std::string>& teams = SelfPlay::teams();
    // All 22 registered, numbered 1..11 per side, the goalie of each side being number 1.
    ASSERT_EQ(summary.players.size(), 2U * kPlayersPerTeam);
    std::map<std::string, std::set<int>> numbers;
    std::map<std::string, int> goalies;
    for (const Registration& player : summary.players) {
        EXPECT_EQ(player.side, player.team == teams[0] ? 'l' : 'r') << player.team;
        numbers[player.team].insert(player.number);
        if (player.goalie) {
            ++goalies[player.team];
            EXPECT_EQ(player.number, 1) << player.team;
        }
    }
    for (const std::string& team : teams) {
        EXPECT_EQ(numbers[team].size(), static_cast<std::size_t>(kPlayersPerTeam)) << team;
        EXPECT_EQ(goalies[team], 1) << team;
    }

    // Before the kick-off each player moved to its home of the kick-off formation.
    ASSERT_TRUE(summary.kickedOff);
    const std::map<int, FieldPoint> homes = kickOffHomes();
    ASSERT_EQ(homes.size(), static_cast<std::size_t>(kPlayersPerTeam));
    for (const Registration& player : summary.players) {
        const auto place = summary.placeBeforeKickOff.find({player.team, player.number});
        ASSERT_NE(place, summary.placeBeforeKickOff.end())
            << player.team << " " << player.number << " never moved before the kick-off";
        const FieldPoint home = homes.at(player.number);
        EXPECT_NEAR(place->second.x, home.x, 0.01) << player.team << " " << player.number;
        EXPECT_NEAR(place->second.y, home.y, 0.01) << player.team << " " << player.number;
    }

    // Taken by a kick: a kick-off left alone ends in a drop ball instead.
    EXPECT_EQ(summary.modeAfterKickOff, "play_on") << "the kick-off was not taken";
    EXPECT_GE(summary.kicks, 10);
}

}  // namespace zamo::test
