#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "gamelog/game_log_reader.h"

namespace zamo::test {

// What one team did in a match, by the server's own command counts and state flags.
struct TeamTally {
    std::string name;
    int kickCommands = 0;
    int kickFaults = 0;  // the ball was out of the kicker's reach, or kicks were not allowed
    int catchCommands = 0;
    int catchFaults = 0;  // out of the catch area, or missed by chance
    int tackleCommands = 0;
    int tackleFaults = 0;
    // Kicks and tackles after which the ball, left alone, rolls into the other goal's mouth.
    int shotsOnGoal = 0;
    int goals = 0;
};

struct MatchTally {
    TeamTally left;
    TeamTally right;
    int frames = 0;

    const TeamTally& team(const std::string& name) const {
        return right.name == name ? right : left;
    }
};

MatchTally tallyMatch(const gamelog::GameLog& log);
// Reads the log and tallies it; nothing, with error, when it cannot be read.
std::optional<MatchTally> tallyGameLog(const std::filesystem::path& path, std::string& error);

}  // namespace zamo::test
