// zamo-match-stats: the statistics of matches from the server's game logs, and the summary of
// an evaluation of one build against another.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "gamelog/game_log_reader.h"
#include "tools/match_stats/match_stats.h"
#include "tools/match_stats/match_table.h"
#include "tools/match_stats/summary.h"
#include "tools/match_stats/summary_chart.h"

namespace {

using namespace zamo;

constexpr const char* kUsage = R"(usage:
  zamo-match-stats match LOG --new-team NAME --out FILE [--match K] [--mode TEXT]
                   [--new-rev REV] [--baseline-rev REV]
      Reads the game log LOG (ULG5 or ULG6, plain or gzip-compressed) and writes the
      statistics of both teams as a table of one row to FILE; NAME is the new build's team.
  zamo-match-stats summary --out DIR TABLE...
      Joins the tables into DIR/matches.csv and writes DIR/summary.txt and DIR/summary.png
      (goal difference per match, where each build had the ball, read again from the logs);
      prints the summary, whose last line reads
      "new vs REV: W-D-L w-d-l, goal difference per match M [lo, hi]".

Exit status: 0 done, 1 an input could not be read or an output written, 2 bad arguments.
)";

int usageError(const std::string& message) {
    std::cerr << "zamo-match-stats: " << message << " (try --help)\n";
    return 2;
}

struct Arguments {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;
};

std::optional<Arguments> parseArguments(int argc, char** argv, int first,
                                        const std::vector<std::string>& known, std::string& error) {
    Arguments arguments;
    for (int i = first; i < argc; ++i) {
        const std::string word = argv[i];
        if (!word.starts_with("--")) {
            arguments.positional.push_back(word);
            continue;
        }
        if (std::find(known.begin(), known.end(), word) == known.end()) {
            error = "unknown option " + word;
            return std::nullopt;
        }
        if (i + 1 >= argc) {
            error = "option " + word + " needs a value";
            return std::nullopt;
        }
        arguments.options[word] = argv[++i];
    }
    return arguments;
}

std::string option(const Arguments& arguments, const std::string& name) {
    const auto found = arguments.options.find(name);
    return found == arguments.options.end() ? std::string() : found->second;
}

// The statistics of one log; nothing, with error, when it cannot be read.
std::optional<stats::MatchStats> readMatch(const std::filesystem::path& log, std::string& error,
                                           std::vector<std::string>& problems) {
    gamelog::GameLogReader reader;
    if (!reader.open(log)) {
        error = reader.error();
        return std::nullopt;
    }
    std::optional<stats::MatchStatsCollector> collector;
    while (reader.next()) {
        if (!collector) {
            // The parameters come before the first frame.
            collector.emplace(reader.decoder().serverParams());
        }
        collector->add(reader.frame());
    }
    if (!collector) {
        error = !reader.error().empty() ? reader.error() : log.string() + " holds no frame";
        return std::nullopt;
    }
    problems = reader.problems();
    if (!reader.error().empty()) {
        problems.push_back(reader.error());
    }
    return collector->finish();
}

int runMatch(int argc, char** argv) {
    std::string error;
    const auto arguments = parseArguments(
        argc, argv, 2, {"--new-team", "--out", "--match", "--mode", "--new-rev", "--baseline-rev"},
        error);
    if (!arguments) {
        return usageError(error);
    }
    if (arguments->positional.size() != 1) {
        return usageError("match takes exactly one game log");
    }
    const std::string newTeam = option(*arguments, "--new-team");
    const std::string out = option(*arguments, "--out");
    if (newTeam.empty() || out.empty()) {
        return usageError("match needs --new-team and --out");
    }
    int match = 0;
    const std::string matchText = option(*arguments, "--match");
    if (!matchText.empty()) {
        const char* end = matchText.data() + matchText.size();
        const auto [stop, failure] = std::from_chars(matchText.data(), end, match);
        if (failure != std::errc() || stop != end || match < 0) {
            return usageError("--match must be a number, not '" + matchText + "'");
        }
    }

    const std::filesystem::path log = std::filesystem::absolute(arguments->positional[0]);
    std::vector<std::string> problems;
    const auto result = readMatch(log, error, problems);
    if (!result) {
        std::cerr << "zamo-match-stats: " << error << "\n";
        return 1;
    }
    for (const std::string& problem : problems) {
        std::cerr << "zamo-match-stats: warning: " << log.string() << ": " << problem << "\n";
    }
    gamelog::Side side = gamelog::Side::kLeft;
    if (result->right.name == newTeam) {
        side = gamelog::Side::kRight;
    } else if (result->left.name != newTeam) {
        std::cerr << "zamo-match-stats: " << log.string() << ": no team " << newTeam
                  << " in the log (it has '" << result->left.name << "' and '" << result->right.name
                  << "')\n";
        return 1;
    }
    stats::MatchRow row = stats::makeRow(*result, side);
    row.match = match;
    row.mode = option(*arguments, "--mode");
    row.newRev = option(*arguments, "--new-rev");
    row.baselineRev = option(*arguments, "--baseline-rev");
    row.log = log;
    const std::filesystem::path outPath = std::filesystem::absolute(out);
    std::ofstream file(outPath, std::ios::trunc);
    file << stats::tableHeader() << "\n" << stats::tableLine(row, outPath.parent_path()) << "\n";
    file.close();
    if (!file) {
        std::cerr << "zamo-match-stats: cannot write " << outPath.string() << "\n";
        return 1;
    }
    return 0;
}

int runSummary(int argc, char** argv) {
    std::string error;
    const auto arguments = parseArguments(argc, argv, 2, {"--out"}, error);
    if (!arguments) {
        return usageError(error);
    }
    const std::string out = option(*arguments, "--out");
    if (out.empty() || arguments->positional.empty()) {
        return usageError("summary needs --out DIR and at least one table");
    }
    std::vector<stats::MatchRow> rows;
    std::vector<std::string> notes;
    for (const std::string& table : arguments->positional) {
        auto read = stats::readTable(table, error);
        if (!read) {
            std::cerr << "zamo-match-stats: " << error << "\n";
            return 1;
        }
        rows.insert(rows.end(), read->begin(), read->end());
    }
    std::stable_sort(
        rows.begin(), rows.end(),
        [](const stats::MatchRow& a, const stats::MatchRow& b) { return a.match < b.match; });
    for (std::size_t i = 1; i < rows.size(); ++i) {
        if (rows[i].match == rows[i - 1].match) {
            notes.push_back("match " + std::to_string(rows[i].match) +
                            " appears more than once (overlapping --seed-from?)");
        }
    }

    stats::HeatMap newHeat;
    stats::HeatMap baselineHeat;
    int missing = 0;
    for (const stats::MatchRow& row : rows) {
        std::vector<std::string> problems;
        const auto match = row.log.empty() ? std::nullopt : readMatch(row.log, error, problems);
        if (!match) {
            ++missing;
            continue;
        }
        const bool newLeft = row.newSide == gamelog::Side::kLeft;
        newHeat += (newLeft ? match->left : match->right).possessionHeat;
        baselineHeat += (newLeft ? match->right : match->left).possessionHeat;
    }
    if (missing > 0) {
        notes.push_back("the game logs of " + std::to_string(missing) + " of " +
                        std::to_string(rows.size()) +
                        " matches could not be read: the heat maps leave them out");
    }

    const std::filesystem::path dir(out);
    std::error_code made;
    std::filesystem::create_directories(dir, made);
    const stats::Summary summary = stats::summarise(rows);
    const std::string text = stats::summaryText(summary, rows, notes);
    std::ofstream table(dir / "matches.csv", std::ios::trunc);
    table << stats::tableHeader() << "\n";
    for (const stats::MatchRow& row : rows) {
        table << stats::tableLine(row, std::filesystem::absolute(dir)) << "\n";
    }
    table.close();
    std::ofstream summaryFile(dir / "summary.txt", std::ios::trunc);
    summaryFile << text;
    summaryFile.close();
    if (!table || !summaryFile) {
        std::cerr << "zamo-match-stats: cannot write into " << dir.string() << "\n";
        return 1;
    }
    if (!stats::summaryChart(rows, summary, newHeat, baselineHeat)
             .writePng(dir / "summary.png", error)) {
        std::cerr << "zamo-match-stats: " << error << "\n";
        return 1;
    }
    std::cout << text;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "--help" || command == "-h" || command == "help") {
        std::cout << kUsage;
        return 0;
    }
    if (command == "match") {
        return runMatch(argc, argv);
    }
    if (command == "summary") {
        return runSummary(argc, argv);
    }
    return usageError(command.empty() ? "no command" : "unknown command '" + command + "'");
}
