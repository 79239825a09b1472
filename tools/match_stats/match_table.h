#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/match_stats/match_stats.h"

namespace zamo::stats {

// One statistic as the table has it: a column for each build, "<name>_new" and
// "<name>_baseline".
struct StatColumn {
    std::string_view name;
    std::string_view label;
    int decimals;
    double (*value)(const MatchStats& match, gamelog::Side side);
};

// Goals first, then the others in the order of the table.
const std::vector<StatColumn>& statColumns();

// One match of an evaluation: the new build against the baseline.
struct MatchRow {
    int match = 0;
    gamelog::Side newSide = gamelog::Side::kLeft;
    std::vector<double> newValues;  // by statColumns()
    std::vector<double> baselineValues;
    int cycles = 0;
    std::string mode;  // "synchronous" or "real time"
    std::string newRev;
    std::string baselineRev;
    std::filesystem::path log;  // absolute once read

    int goalsNew() const { return static_cast<int>(newValues.at(0)); }
    int goalsBaseline() const { return static_cast<int>(baselineValues.at(0)); }
};

MatchRow makeRow(const MatchStats& stats, gamelog::Side newSide);

std::string tableHeader();
// One line of the table; the log's path is written relative to the table's folder.
std::string tableLine(const MatchRow& row, const std::filesystem::path& folder);

// Reads a table written by tableLine; logs become absolute paths. Nothing, with error, when the
// file cannot be read or a line does not fit the header.
std::optional<std::vector<MatchRow>> readTable(const std::filesystem::path& path,
                                               std::string& error);

}  // namespace zamo::stats
