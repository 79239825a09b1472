#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/agent_process.h"
#include "support/match_record.h"

namespace zamo::test {

inline constexpr int kPlayersPerTeam = 11;

// One player's statistics file: "key value" lines.
struct PlayerStats {
    std::string who;  // team and id
    std::map<std::string, long long> values;
    long long operator[](const std::string& key) const;
};

// Two teams of eleven headless players started with scripts/start.sh, statistics on, against a
// server on 127.0.0.1, in a directory of the test's. Every player still running when the object
// goes is killed by its id.
class TeamMatch {
  public:
    explicit TeamMatch(std::filesystem::path dir,
                       std::vector<std::string> teams = {"Zamo_Left", "Zamo_Right"});
    ~TeamMatch();
    TeamMatch(const TeamMatch&) = delete;
    TeamMatch& operator=(const TeamMatch&) = delete;

    // Starts the first team, waits until its goalie has registered (so that it plays on the
    // left), then the second; succeeds once both scripts report every player registered.
    ::testing::AssertionResult start(int port);
    // Nobody left early: every player still runs.
    void expectAllRunning() const;
    // Stops both teams with scripts/kill.sh, which makes the players write their statistics.
    void stop();

    // How a server places the players for a kick-off.
    enum class Placing {
        kAsMoved,              // where each moved itself
        kCentreCircleCleared,  // the side not kicking off is kept out of the centre circle
    };
    // The match as the server recorded it: all 22 registered, numbered 1..11 per side with the
    // goalie as number 1, each placed at its home of the kick-off formation, the kick-off taken
    // by a kick, and at least minKicks kicks in all.
    void expectPlayed(const MatchRecord& record, int minKicks,
                      Placing placing = Placing::kAsMoved) const;
    // Every player's statistics, each checked for its keys, at least minCycles decisions and
    // percentiles in order.
    std::vector<PlayerStats> expectStatistics(long long minCycles) const;

    const std::vector<std::string>& teams() const { return teams_; }

  private:
    std::filesystem::path teamDir(const std::string& team) const { return dir_ / team; }
    std::filesystem::path pidFile(const std::string& team) const {
        return teamDir(team) / "players.pids";
    }
    std::filesystem::path statsDir(const std::string& team) const {
        return dir_ / (team + "-stats");
    }
    bool startTeam(AgentProcess& script, const std::string& team, int port) const;

    std::filesystem::path dir_;
    std::vector<std::string> teams_;
};

// Process ids of a pid file, one per line.
std::vector<pid_t> readPidFile(const std::filesystem::path& path);
// True while the process is a running ZamoSoccer player.
bool isRunningAgent(pid_t pid);

}  // namespace zamo::test
