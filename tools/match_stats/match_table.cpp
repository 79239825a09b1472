#include "tools/match_stats/match_table.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <system_error>

namespace zamo::stats {
namespace {

using gamelog::Side;

constexpr std::string_view kLeadColumns = "match,new_side";
constexpr std::string_view kTrailColumns = "cycles,mode,new_rev,baseline_rev,log";

double count(int value) {
    return static_cast<double>(value);
}

// A text field; quoted, with quotes doubled, when it holds a comma, a quote or a line end.
std::string field(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        return std::string(text);
    }
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + '"';
}

std::vector<std::string> splitFields(std::string_view line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                fields.back() += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

std::string number(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

bool parseNumber(const std::string& text, double& value) {
    const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && error == std::errc() && stop == text.data() + text.size() &&
           std::isfinite(value);
}

}  // namespace

const std::vector<StatColumn>& statColumns() {
    static const std::vector<StatColumn> columns = {
        {"goals", "goals", 0, [](const MatchStats& m, Side s) { return count(m.team(s).goals); }},
        {"shots_on_goal", "shots on goal", 0,
         [](const MatchStats& m, Side s) { return count(m.team(s).shotsOnGoal); }},
        {"passes", "passes attempted", 0,
         [](const MatchStats& m, Side s) { return count(m.team(s).passesAttempted); }},
        {"passes_completed", "passes completed", 0,
         [](const MatchStats& m, Side s) { return count(m.team(s).passesCompleted); }},
        {"possession", "possession share", 3,
         [](const MatchStats& m, Side s) { return m.possessionShare(s); }},
        {"opponent_half", "ball in the opponent half", 3,
         [](const MatchStats& m, Side s) { return m.opponentHalfShare(s); }},
        {"kicks", "kicks", 0, [](const MatchStats& m, Side s) { return count(m.team(s).kicks); }},
        {"kick_faults", "kick faults", 0,
         [](const MatchStats& m, Side s) { return count(m.team(s).kickFaults); }},
        {"catches", "catches", 0,
         [](const MatchStats& m, Side s) { return count(m.team(s).catches); }},
        {"catch_faults", "catch faults", 0,
         [](const MatchStats& m, Side s) { return count(m.team(s).catchFaults); }},
        {"tackles", "tackles", 0,
         [](const MatchStats& m, Side s) { return count(m.team(s).tackles); }},
        {"fouls", "fouls", 0, [](const MatchStats& m, Side s) { return count(m.team(s).fouls); }},
        {"offsides", "offsides", 0,
         [](const MatchStats& m, Side s) { return count(m.team(s).offsides); }},
        {"stamina_end", "stamina at the end", 0,
         [](const MatchStats& m, Side s) { return m.team(s).staminaAtEnd; }},
        {"view_narrow", "view narrow (share)", 3,
         [](const MatchStats& m, Side s) { return m.viewShare(s, 0); }},
        {"view_normal", "view normal (share)", 3,
         [](const MatchStats& m, Side s) { return m.viewShare(s, 1); }},
        {"view_wide", "view wide (share)", 3,
         [](const MatchStats& m, Side s) { return m.viewShare(s, 2); }},
    };
    return columns;
}

MatchRow makeRow(const MatchStats& stats, Side newSide) {
    const Side baselineSide = newSide == Side::kLeft ? Side::kRight : Side::kLeft;
    MatchRow row;
    row.newSide = newSide;
    for (const StatColumn& column : statColumns()) {
        row.newValues.push_back(column.value(stats, newSide));
        row.baselineValues.push_back(column.value(stats, baselineSide));
    }
    row.cycles = stats.lastCycle;
    return row;
}

std::string tableHeader() {
    std::string header(kLeadColumns);
    for (const StatColumn& column : statColumns()) {
        header += "," + std::string(column.name) + "_new," + std::string(column.name) + "_baseline";
    }
    return header + "," + std::string(kTrailColumns);
}

std::string tableLine(const MatchRow& row, const std::filesystem::path& folder) {
    std::string line = std::to_string(row.match) + (row.newSide == Side::kLeft ? ",l" : ",r");
    const auto& columns = statColumns();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        line += "," + number(row.newValues.at(i), columns[i].decimals) + "," +
                number(row.baselineValues.at(i), columns[i].decimals);
    }
    std::error_code ignored;
    std::filesystem::path log = row.log;
    if (log.is_absolute()) {
        const std::filesystem::path relative =
            std::filesystem::proximate(log, std::filesystem::absolute(folder, ignored), ignored);
        if (!relative.empty()) {
            log = relative;
        }
    }
    return line + "," + std::to_string(row.cycles) + "," + field(row.mode) + "," +
           field(row.newRev) + "," + field(row.baselineRev) + "," + field(log.string());
}

std::optional<std::vector<MatchRow>> readTable(const std::filesystem::path& path,
                                               std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read " + path.string();
        return std::nullopt;
    }
    std::string line;
    if (!std::getline(in, line) || line != tableHeader()) {
        error = path.string() + ": not a table of matches (its header differs)";
        return std::nullopt;
    }
    std::error_code ignored;
    const std::filesystem::path folder = std::filesystem::absolute(path, ignored).parent_path();
    const std::size_t stats = statColumns().size();
    std::vector<MatchRow> rows;
    int lineNumber = 1;
    while (std::getline(in, line)) {
        ++lineNumber;
        if (line.empty()) {
            continue;
        }
        const std::vector<std::string> fields = splitFields(line);
        const auto bad = [&](const std::string& why) {
            error = path.string() + ":" + std::to_string(lineNumber) + ": " + why;
            return std::nullopt;
        };
        if (fields.size() != 2 + 2 * stats + 5) {
            return bad("expected " + std::to_string(2 + 2 * stats + 5) + " fields, found " +
                       std::to_string(fields.size()));
        }
        MatchRow row;
        double match = 0.0;
        if (!parseNumber(fields[0], match) || match != std::floor(match) || match < 0 ||
            match > 1e9) {
            return bad("bad match number '" + fields[0] + "'");
        }
        row.match = static_cast<int>(match);
        if (fields[1] != "l" && fields[1] != "r") {
            return bad("the new build's side must be l or r, not '" + fields[1] + "'");
        }
        row.newSide = fields[1] == "l" ? Side::kLeft : Side::kRight;
        for (std::size_t i = 0; i < stats; ++i) {
            double ours = 0.0;
            double theirs = 0.0;
            if (!parseNumber(fields[2 + 2 * i], ours) || !parseNumber(fields[3 + 2 * i], theirs)) {
                return bad("bad number in the columns of " + std::string(statColumns()[i].name));
            }
            row.newValues.push_back(ours);
            row.baselineValues.push_back(theirs);
        }
        const std::size_t trail = 2 + 2 * stats;
        double cycles = 0.0;
        if (!parseNumber(fields[trail], cycles) || cycles < 0 || cycles > 1e9) {
            return bad("bad cycle count '" + fields[trail] + "'");
        }
        row.cycles = static_cast<int>(cycles);
        row.mode = fields[trail + 1];
        row.newRev = fields[trail + 2];
        row.baselineRev = fields[trail + 3];
        row.log = fields[trail + 4];
        if (!row.log.empty() && row.log.is_relative()) {
            row.log = (folder / row.log).lexically_normal();
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace zamo::stats
