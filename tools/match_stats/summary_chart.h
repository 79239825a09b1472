#pragma once

#include <vector>

#include "tools/match_stats/image.h"
#include "tools/match_stats/match_stats.h"
#include "tools/match_stats/match_table.h"
#include "tools/match_stats/summary.h"

namespace zamo::stats {

// The summary's picture: the goal difference of every match as a bar, with the mean and its
// interval, and below it, for each build, where the ball was while that build had it, drawn on
// the field with the build attacking to the right.
Image summaryChart(const std::vector<MatchRow>& rows, const Summary& summary,
                   const HeatMap& newHeat, const HeatMap& baselineHeat);

}  // namespace zamo::stats
