#include "support/team_match.h"

#include <signal.h>

#include <chrono>
#include <cmath>
#include <fstream>
#include <set>
#include <thread>
#include <utility>

namespace zamo::test {

namespace {

using namespace std::chrono_literals;

const std::string kSourceDir = ZAMO_SOURCE_DIR;
// The keys every statistics file holds.
const std::vector<std::string> kStatsKeys{"cycles_played",
                                          "think_latency_p50_us",
                                          "think_latency_p99_us",
                                          "think_latency_max_us",
                                          "think_cpu_p99_us",
                                          "think_cpu_max_us",
                                          "cycles_without_body_command",
                                          "late_commands",
                                          "reaction_p50_us",
                                          "reaction_p99_us",
                                          "reaction_max_us",
                                          "late_cycles"};

template <typename Ready>
bool waitUntil(Ready ready, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!ready()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(50ms);
    }
    return true;
}

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

long long PlayerStats::operator[](const std::string& key) const {
    const auto found = values.find(key);
    return found == values.end() ? -1 : found->second;
}

std::vector<pid_t> readPidFile(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::vector<pid_t> pids;
    long pid = 0;
    while (in >> pid) {
        pids.push_back(static_cast<pid_t>(pid));
    }
    return pids;
}

bool isRunningAgent(pid_t pid) {
    const std::string arguments = readText("/proc/" + std::to_string(pid) + "/cmdline");
    const std::string program = arguments.substr(0, arguments.find('\0'));
    return !program.empty() && std::filesystem::path(program).filename() == "ZamoSoccer";
}

TeamMatch::TeamMatch(std::filesystem::path dir, std::vector<std::string> teams)
    : dir_(std::move(dir)), teams_(std::move(teams)) {}

TeamMatch::~TeamMatch() {
    for (const std::string& team : teams_) {
        for (const pid_t pid : readPidFile(pidFile(team))) {
            if (isRunningAgent(pid)) {
                ::kill(pid, SIGKILL);
            }
        }
    }
}

bool TeamMatch::startTeam(AgentProcess& script, const std::string& team, int port) const {
    return script.start(kSourceDir + "/scripts/start.sh",
                        {"-h", "127.0.0.1", "-p", std::to_string(port), "-t", team, "-n",
                         std::to_string(kPlayersPerTeam), "-d", teamDir(team).string(), "-f",
                         pidFile(team).string(), "-s", statsDir(team).string()});
}

::testing::AssertionResult TeamMatch::start(int port) {
    AgentProcess first;
    AgentProcess second;
    if (!startTeam(first, teams_[0], port)) {
        return ::testing::AssertionFailure() << "cannot run scripts/start.sh";
    }
    // The team whose goalie registers first plays on the left; the rest of both teams start
    // side by side to keep the start short.
    const auto goalieLog = teamDir(teams_[0]) / "player-1.log";
    if (!waitUntil([&] { return readText(goalieLog).find("connected as") != std::string::npos; },
                   15s)) {
        return ::testing::AssertionFailure() << teams_[0] << "'s goalie did not register";
    }
    if (!startTeam(second, teams_[1], port)) {
        return ::testing::AssertionFailure() << "cannot run scripts/start.sh";
    }
    for (AgentProcess* script : {&first, &second}) {
        const auto status = script->waitForExit(60s);
        if (status != 0) {
            return ::testing::AssertionFailure()
                   << "start.sh: " << script->standardOutput() << script->standardError();
        }
    }
    return ::testing::AssertionSuccess();
}

void TeamMatch::expectAllRunning() const {
    for (const std::string& team : teams_) {
        const std::vector<pid_t> pids = readPidFile(pidFile(team));
        ASSERT_EQ(pids.size(), static_cast<std::size_t>(kPlayersPerTeam)) << team;
        for (const pid_t pid : pids) {
            EXPECT_TRUE(isRunningAgent(pid)) << team << ": process " << pid << " ended early";
        }
    }
}

void TeamMatch::stop() {
    for (const std::string& team : teams_) {
        AgentProcess killScript;
        ASSERT_TRUE(killScript.start(kSourceDir + "/scripts/kill.sh",
                                     {"-f", pidFile(team).string(), "-g", "10"}));
        EXPECT_EQ(killScript.waitForExit(30s), 0) << killScript.standardOutput();
    }
}

void TeamMatch::expectPlayed(const MatchRecord& record, int minKicks, Placing placing) const {
    const std::map<int, Point> homes =
        readHomePositions(kSourceDir + "/data/strategy/kick_off_433.stg");
    ASSERT_EQ(homes.size(), static_cast<std::size_t>(kPlayersPerTeam));

    ASSERT_EQ(record.clients.size(), 2U * kPlayersPerTeam);
    std::map<std::string, std::set<int>> numbers;
    std::map<std::string, int> goalies;
    for (const auto& [key, client] : record.clients) {
        EXPECT_EQ(client.side, client.team == teams_[0] ? 'l' : 'r') << client.team;
        numbers[client.team].insert(client.number);
        if (client.goalie) {
            ++goalies[client.team];
            EXPECT_EQ(client.number, 1) << client.team;
        }
    }
    for (const std::string& team : teams_) {
        EXPECT_EQ(numbers[team].size(), static_cast<std::size_t>(kPlayersPerTeam)) << team;
        EXPECT_EQ(goalies[team], 1) << team;
    }

    ASSERT_TRUE(record.kickedOff);
    for (const auto& [key, client] : record.clients) {
        const auto place = record.placeAtKickOff.find(key);
        ASSERT_NE(place, record.placeAtKickOff.end())
            << client.team << " " << client.number << " was never placed for the kick-off";
        Point home = homes.at(client.number);
        // The circle's radius plus a player's size.
        constexpr double kClearRadius = 9.15 + 0.3;
        const double fromCentre = std::hypot(home.x, home.y);
        if (placing == Placing::kCentreCircleCleared && client.side != record.kickOffSide &&
            fromCentre < kClearRadius && fromCentre > 0.0) {
            home = {home.x * kClearRadius / fromCentre, home.y * kClearRadius / fromCentre};
        }
        EXPECT_NEAR(place->second.x, home.x, 0.01) << client.team << " " << client.number;
        EXPECT_NEAR(place->second.y, home.y, 0.01) << client.team << " " << client.number;
    }

    // Taken by a kick: a kick-off left alone ends in a drop ball instead.
    EXPECT_EQ(record.modeAfterKickOff, "play_on") << "the kick-off was not taken";
    int kicks = 0;
    for (const auto& [key, count] : record.kicks) {
        kicks += count;
    }
    EXPECT_GE(kicks, minKicks);
}

std::vector<PlayerStats> TeamMatch::expectStatistics(long long minCycles) const {
    std::vector<PlayerStats> all;
    for (const std::string& team : teams_) {
        for (int id = 1; id <= kPlayersPerTeam; ++id) {
            const auto file = statsDir(team) / ("player-" + std::to_string(id) + ".stats");
            PlayerStats stats{team + " " + std::to_string(id), readStats(file)};
            for (const std::string& key : kStatsKeys) {
                EXPECT_TRUE(stats.values.contains(key))
                    << stats.who << ": no " << key << " in " << readText(file);
            }
            EXPECT_EQ(stats.values.size(), kStatsKeys.size()) << stats.who;
            EXPECT_GE(stats["cycles_played"], minCycles) << stats.who;
            EXPECT_LE(stats["think_latency_p50_us"], stats["think_latency_p99_us"]) << stats.who;
            EXPECT_LE(stats["think_latency_p99_us"], stats["think_latency_max_us"]) << stats.who;
            EXPECT_LE(stats["think_cpu_p99_us"], stats["think_cpu_max_us"]) << stats.who;
            EXPECT_LE(stats["reaction_p50_us"], stats["reaction_p99_us"]) << stats.who;
            EXPECT_LE(stats["reaction_p99_us"], stats["reaction_max_us"]) << stats.who;
            EXPECT_LE(stats["late_cycles"], stats["late_commands"]) << stats.who;
            all.push_back(std::move(stats));
        }
    }
    return all;
}

}  // namespace zamo::test
