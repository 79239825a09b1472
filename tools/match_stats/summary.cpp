#include "tools/match_stats/summary.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <set>

namespace zamo::stats {
namespace {

std::string format(const char* pattern, double value) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

std::string bound(double value) {
    if (std::isinf(value)) {
        return value < 0 ? "-inf" : "inf";
    }
    return format("%.2f", value);
}

// The distinct values of one text field of the rows, joined by " / ".
std::string distinct(const std::vector<MatchRow>& rows, std::string MatchRow::*field) {
    std::set<std::string> values;
    for (const MatchRow& row : rows) {
        values.insert(row.*field);
    }
    std::string joined;
    for (const std::string& value : values) {
        joined += (joined.empty() ? "" : " / ") + (value.empty() ? "?" : value);
    }
    return joined.empty() ? "?" : joined;
}

std::string padLeft(const std::string& text, std::size_t width) {
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

std::string padRight(const std::string& text, std::size_t width) {
    return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

}  // namespace

double studentT95(int degreesOfFreedom) {
    constexpr double kTable[] = {12.706, 4.303, 3.182, 2.776, 2.571, 2.447, 2.365, 2.306,
                                 2.262,  2.228, 2.201, 2.179, 2.160, 2.145, 2.131, 2.120,
                                 2.110,  2.101, 2.093, 2.086, 2.080, 2.074, 2.069, 2.064,
                                 2.060,  2.056, 2.052, 2.048, 2.045, 2.042};
    constexpr int kTableSize = sizeof kTable / sizeof kTable[0];
    if (degreesOfFreedom < 1) {
        return std::numeric_limits<double>::infinity();
    }
    if (degreesOfFreedom <= kTableSize) {
        return kTable[degreesOfFreedom - 1];
    }
    // Beyond the table, the first terms of the expansion of t around the normal quantile.
    const double z = 1.959963985;
    const double n = degreesOfFreedom;
    const double z3 = z * z * z;
    const double z5 = z3 * z * z;
    return z + (z3 + z) / (4 * n) + (5 * z5 + 16 * z3 + 3 * z) / (96 * n * n);
}

Summary summarise(const std::vector<MatchRow>& rows) {
    Summary s;
    const std::size_t stats = statColumns().size();
    s.meanNew.assign(stats, 0.0);
    s.meanBaseline.assign(stats, 0.0);
    s.matches = static_cast<int>(rows.size());
    if (rows.empty()) {
        s.low = -std::numeric_limits<double>::infinity();
        s.high = std::numeric_limits<double>::infinity();
        return s;
    }
    double sum = 0.0;
    for (const MatchRow& row : rows) {
        const int difference = row.goalsNew() - row.goalsBaseline();
        s.wins += difference > 0 ? 1 : 0;
        s.draws += difference == 0 ? 1 : 0;
        s.losses += difference < 0 ? 1 : 0;
        s.goalsFor += row.goalsNew();
        s.goalsAgainst += row.goalsBaseline();
        sum += difference;
        for (std::size_t i = 0; i < stats; ++i) {
            s.meanNew[i] += row.newValues[i] / s.matches;
            s.meanBaseline[i] += row.baselineValues[i] / s.matches;
        }
    }
    s.meanDifference = sum / s.matches;
    if (s.matches < 2) {
        s.low = -std::numeric_limits<double>::infinity();
        s.high = std::numeric_limits<double>::infinity();
        return s;
    }
    double squares = 0.0;
    for (const MatchRow& row : rows) {
        const double deviation = row.goalsNew() - row.goalsBaseline() - s.meanDifference;
        squares += deviation * deviation;
    }
    const double standardError = std::sqrt(squares / (s.matches - 1) / s.matches);
    const double half = studentT95(s.matches - 1) * standardError;
    s.low = s.meanDifference - half;
    s.high = s.meanDifference + half;
    return s;
}

std::string verdictLine(const Summary& summary, const std::string& baseline) {
    return "new vs " + baseline + ": W-D-L " + std::to_string(summary.wins) + "-" +
           std::to_string(summary.draws) + "-" + std::to_string(summary.losses) +
           ", goal difference per match " + format("%.2f", summary.meanDifference) + " [" +
           bound(summary.low) + ", " + bound(summary.high) + "]";
}

std::string summaryText(const Summary& summary, const std::vector<MatchRow>& rows,
                        const std::vector<std::string>& notes) {
    const std::string baseline = distinct(rows, &MatchRow::baselineRev);
    int cycles = 0;
    for (const MatchRow& row : rows) {
        cycles = std::max(cycles, row.cycles);
    }
    std::string text = "Evaluation of the new build " + distinct(rows, &MatchRow::newRev) +
                       " against the baseline " + baseline + "\n";
    text += std::to_string(summary.matches) + " matches of up to " + std::to_string(cycles) +
            " cycles, " + distinct(rows, &MatchRow::mode) +
            "; player types seeded by the match number, the server's noise not seeded (the "
            "server seeds it from its clock)\n\n";
    text += "new build: " + std::to_string(summary.wins) + " won, " +
            std::to_string(summary.draws) + " drawn, " + std::to_string(summary.losses) +
            " lost; goals " + std::to_string(summary.goalsFor) + " for, " +
            std::to_string(summary.goalsAgainst) + " against\n";
    text += "goal difference per match: " + format("%.2f", summary.meanDifference) +
            ", 95 % interval [" + bound(summary.low) + ", " + bound(summary.high) + "]";
    if (summary.matches >= 2) {
        text +=
            summary.low <= 0.0 && summary.high >= 0.0
                ? ": it contains 0, no difference shown"
                : (summary.low > 0.0 ? ": the new build is better" : ": the new build is worse");
    }
    text += "\n\n";

    const auto& columns = statColumns();
    text += padRight("per match (mean)", 30) + padLeft("new", 10) + padLeft("baseline", 10) + "\n";
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const char* pattern = columns[i].decimals > 0 ? "%.3f" : "%.1f";
        text += padRight(std::string(columns[i].label), 30) +
                padLeft(format(pattern, summary.meanNew[i]), 10) +
                padLeft(format(pattern, summary.meanBaseline[i]), 10) + "\n";
    }
    text += "\nmatch  new side  goals new  goals baseline  difference\n";
    std::vector<const MatchRow*> ordered;
    for (const MatchRow& row : rows) {
        ordered.push_back(&row);
    }
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const MatchRow* a, const MatchRow* b) { return a->match < b->match; });
    for (const MatchRow* row : ordered) {
        const int difference = row->goalsNew() - row->goalsBaseline();
        text += padLeft(std::to_string(row->match), 5) +
                padLeft(row->newSide == gamelog::Side::kLeft ? "left" : "right", 10) +
                padLeft(std::to_string(row->goalsNew()), 11) +
                padLeft(std::to_string(row->goalsBaseline()), 16) +
                padLeft((difference > 0 ? "+" : "") + std::to_string(difference), 12) + "\n";
    }
    if (!notes.empty()) {
        text += "\n";
        for (const std::string& note : notes) {
            text += "note: " + note + "\n";
        }
    }
    return text + "\n" + verdictLine(summary, baseline) + "\n";
}

}  // namespace zamo::stats
