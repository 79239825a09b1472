#pragma once

#include <string>
#include <vector>

#include "tools/match_stats/match_table.h"

namespace zamo::stats {

// The new build's record over a set of matches.
struct Summary {
    int matches = 0;
    int wins = 0;
    int draws = 0;
    int losses = 0;
    int goalsFor = 0;
    int goalsAgainst = 0;
    // Mean goal difference per match (new minus baseline) and its 95 % confidence interval
    // (Student's t); the interval is unbounded for fewer than two matches.
    double meanDifference = 0.0;
    double low = 0.0;
    double high = 0.0;
    // Means per match of every statistic, by statColumns().
    std::vector<double> meanNew;
    std::vector<double> meanBaseline;
};

Summary summarise(const std::vector<MatchRow>& rows);

// The two-sided 95 % quantile of Student's t distribution with the given degrees of freedom.
double studentT95(int degreesOfFreedom);

// The summary's text: the record, the interval, the statistics side by side, the matches, and
// as the last line "new vs REV: W-D-L w-d-l, goal difference per match M [lo, hi]".
std::string summaryText(const Summary& summary, const std::vector<MatchRow>& rows,
                        const std::vector<std::string>& notes);

// The last line alone.
std::string verdictLine(const Summary& summary, const std::string& baseline);

}  // namespace zamo::stats
