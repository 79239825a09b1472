#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/agent_process.h"

namespace zamo::test {

// Our team against itself on some server: two teams of eleven agent processes started with
// scripts/start.sh, and what the tests require of the match they play, whichever server it was.

inline constexpr int kPlayersPerTeam = 11;

struct FieldPoint {
    double x = 0.0;
    double y = 0.0;
};

// One registered player as the server saw it.
struct Registration {
    std::string team;
    bool goalie = false;
    char side = '?';
    int number = 0;
};

// What a server's record of the match tells. Positions are in the team's own frame (its goal
// at x = -52.5).
struct MatchSummary {
    std::vector<Registration> players;
    bool kickedOff = false;
    // The first play mode after the first kick-off ("play_on" when the kick-off was taken).
    std::string modeAfterKickOff;
    // Where each player stood (or last moved to) before the first kick-off, by team and number.
    std::map<std::pair<std::string, int>, FieldPoint> placeBeforeKickOff;
    int kicks = 0;  // carried out, both teams
};

std::string readText(const std::filesystem::path& path);
// The process ids of a pid file written by scripts/start.sh.
std::vector<pid_t> readPidFile(const std::filesystem::path& path);
// Polls until ready() holds or timeout passes.
bool waitUntil(const std::function<bool()>& ready, std::chrono::milliseconds timeout);
// "Player ID = N" and "Player Position = x y" of the shipped kick-off formation.
std::map<int, FieldPoint> kickOffHomes();

// Both teams, "Zamo_Left" and "Zamo_Right", in a folder of the test; every player still running
// is killed by its id when the object goes, however the test ends.
class SelfPlay {
  public:
    explicit SelfPlay(std::filesystem::path folder);
    ~SelfPlay();
    SelfPlay(const SelfPlay&) = delete;
    SelfPlay& operator=(const SelfPlay&) = delete;

    static const std::vector<std::string>& teams();

    // Starts the left team, waits for its goalie to register (so that the server makes it the
    // left side), then the right team; true when both start scripts succeeded.
    bool startTeams(int port);
    // After the match: every player still runs, then both teams are stopped with
    // scripts/kill.sh.
    void expectEveryoneStayedThenStop();
    // The players' statistics files: every one played 2 x halfCycles cycles within the time
    // budgets. Prints the worst figures.
    void expectStatistics(int halfCycles) const;

  private:
    std::filesystem::path teamDir(const std::string& team) const { return folder_ / team; }
    std::filesystem::path pidFile(const std::string& team) const {
        return teamDir(team) / "players.pids";
    }
    std::filesystem::path statsDir(const std::string& team) const {
        return folder_ / (team + "-stats");
    }

    std::filesystem::path folder_;
    AgentProcess leftScript_;
    AgentProcess rightScript_;
};

// The registrations, the kick-off formation and the kick-off of a match our two teams played.
void expectMatchPlayed(const MatchSummary& summary);

}  // namespace zamo::test
