#include "tools/match_stats/match_stats.h"

#include <algorithm>
#include <cmath>

namespace zamo::stats {
namespace {

using gamelog::Frame;
using gamelog::Player;
using gamelog::Side;

// The real server's values, for a log without its parameters.
constexpr double kDefaultBallDecay = 0.94;
constexpr double kDefaultGoalWidth = 14.02;
constexpr double kDefaultVisibleAngle = 90.0;

int sideIndex(Side side) {
    return side == Side::kLeft ? 0 : 1;
}

double share(long part, long whole) {
    return whole > 0 ? static_cast<double>(part) / static_cast<double>(whole) : 0.0;
}

}  // namespace

void HeatMap::add(double x, double y) {
    const int column =
        static_cast<int>(std::floor((x + kFieldLength / 2) / kFieldLength * kHeatColumns));
    const int row = static_cast<int>(std::floor((y + kFieldWidth / 2) / kFieldWidth * kHeatRows));
    // The ball may be a little beyond the lines: it counts in the nearest cell.
    cells[std::clamp(row, 0, kHeatRows - 1) * kHeatColumns +
          std::clamp(column, 0, kHeatColumns - 1)] += 1;
}

HeatMap& HeatMap::operator+=(const HeatMap& other) {
    for (std::size_t i = 0; i < cells.size(); ++i) {
        cells[i] += other.cells[i];
    }
    return *this;
}

double MatchStats::possessionShare(Side side) const {
    return share(team(side).possessionCycles, left.possessionCycles + right.possessionCycles);
}

double MatchStats::opponentHalfShare(Side side) const {
    return share(team(side).opponentHalfCycles, playOnCycles);
}

double MatchStats::viewShare(Side side, int width) const {
    const TeamStats& t = team(side);
    return share(t.viewCycles[width], t.viewCycles[0] + t.viewCycles[1] + t.viewCycles[2]);
}

MatchStatsCollector::MatchStatsCollector(const gamelog::ParamBlock& serverParams)
    : ballDecay_(serverParams.number("ball_decay").value_or(kDefaultBallDecay)),
      goalHalfWidth_(serverParams.number("goal_width").value_or(kDefaultGoalWidth) / 2),
      visibleAngle_(serverParams.number("visible_angle").value_or(kDefaultVisibleAngle)) {
    if (!(ballDecay_ > 0.0 && ballDecay_ < 1.0)) {
        ballDecay_ = kDefaultBallDecay;
    }
    if (!(visibleAngle_ > 0.0)) {
        visibleAngle_ = kDefaultVisibleAngle;
    }
}

bool MatchStatsCollector::headsIntoGoal(const Frame& frame, Side side) const {
    // The ball moves by its velocity and then slows by the decay each cycle, so from here it
    // covers at most velocity / (1 - decay).
    const double direction = side == Side::kLeft ? 1.0 : -1.0;
    const double toLine = kFieldLength / 2 - direction * frame.ball.pos.x;
    const double forward = direction * frame.ball.vel.x;
    if (forward <= 0.0 || toLine < 0.0 || forward / (1.0 - ballDecay_) < toLine) {
        return false;
    }
    const double yAtLine = frame.ball.pos.y + frame.ball.vel.y * (toLine / forward);
    return std::fabs(yAtLine) <= goalHalfWidth_;
}

void MatchStatsCollector::touch(const Frame& frame, const Player& player, bool kick) {
    if (hasTouch_ && last_.kick && !last_.shot &&
        (last_.side != player.side || last_.number != player.number)) {
        TeamStats& passer = team(last_.side);
        ++passer.passesAttempted;
        passer.passesCompleted += last_.side == player.side ? 1 : 0;
    }
    hasTouch_ = true;
    last_ = Touch{player.side, player.number, kick, kick && headsIntoGoal(frame, player.side)};
    team(player.side).shotsOnGoal += last_.shot ? 1 : 0;
}

void MatchStatsCollector::playModeChanged(int playMode) {
    const std::string_view name = gamelog::playModeName(playMode);
    const std::optional<Side> side = gamelog::playModeSide(playMode);
    if (!side) {
        return;
    }
    // These modes carry the side of the team at fault.
    if (name.starts_with("foul_charge_") || name.starts_with("foul_push_")) {
        ++team(*side).fouls;
    } else if (name.starts_with("offside_")) {
        ++team(*side).offsides;
    }
}

void MatchStatsCollector::add(const Frame& frame) {
    if (!started_ || frame.playMode != playMode_) {
        playModeChanged(frame.playMode);
        playMode_ = frame.playMode;
    }
    started_ = true;
    stats_.left.name = frame.teams.left;
    stats_.right.name = frame.teams.right;

    for (const Player& player : frame.players) {
        if (!player.onField()) {
            continue;
        }
        TeamStats& own = team(player.side);
        Counts& counts = counts_[sideIndex(player.side)][player.number];
        // The counts also tell of commands in a cycle that the log did not show (the server
        // writes no frame at the half-time whistle).
        const bool kicked =
            counts.seen ? player.counts.kick > counts.kicks
                        : player.has(gamelog::kStateKick) && !player.has(gamelog::kStateKickFault);
        const bool tackled = counts.seen
                                 ? player.counts.tackle > counts.tackles
                                 : player.has(gamelog::kStateTackle | gamelog::kStateTackleFault);
        counts = Counts{true, player.counts.kick, player.counts.tackle};
        own.tackles += tackled ? 1 : 0;
        own.kickFaults += player.has(gamelog::kStateKickFault) ? 1 : 0;
        if (kicked) {
            ++own.kicks;
            touch(frame, player, true);
        }
        if (player.has(gamelog::kStateCatchFault)) {
            ++own.catchFaults;
        } else if (player.has(gamelog::kStateCatch)) {
            ++own.catches;
            touch(frame, player, false);
        }
        if (tackled && player.has(gamelog::kStateTackle) &&
            !player.has(gamelog::kStateTackleFault)) {
            touch(frame, player, false);
        }
    }

    // A goal after a team's own kick with no touch between: a shot, seen or not. No kick before
    // a goal is a pass, also not one into the own goal.
    const bool leftScored = frame.teams.scoreLeft > scoreLeft_;
    const bool rightScored = frame.teams.scoreRight > scoreRight_;
    if ((leftScored || rightScored) && hasTouch_ && last_.kick) {
        if (!last_.shot && (last_.side == Side::kLeft) == leftScored) {
            ++team(last_.side).shotsOnGoal;
        }
        last_.kick = false;
    }
    scoreLeft_ = frame.teams.scoreLeft;
    scoreRight_ = frame.teams.scoreRight;

    if (frame.playMode == gamelog::kPlayModePlayOn) {
        ++stats_.playOnCycles;
        if (hasTouch_) {
            TeamStats& holder = team(last_.side);
            ++holder.possessionCycles;
            const double flip = last_.side == Side::kLeft ? 1.0 : -1.0;
            holder.possessionHeat.add(flip * frame.ball.pos.x, flip * frame.ball.pos.y);
        }
        if (frame.ball.pos.x > 0.0) {
            ++stats_.left.opponentHalfCycles;
        } else if (frame.ball.pos.x < 0.0) {
            ++stats_.right.opponentHalfCycles;
        }
        for (const Player& player : frame.players) {
            if (player.onField()) {
                // Narrow is half the view angle (two thirds with synchronous views), normal
                // the angle (four thirds), wide twice it.
                const double ratio = player.viewWidth / visibleAngle_;
                ++team(player.side).viewCycles[ratio < 0.8 ? 0 : ratio < 1.6 ? 1 : 2];
            }
        }
    }
    stats_.lastCycle = frame.cycle;
    lastFrame_ = frame;
}

MatchStats MatchStatsCollector::finish() const {
    MatchStats result = stats_;
    result.left.goals = scoreLeft_;
    result.right.goals = scoreRight_;
    for (TeamStats* t : {&result.left, &result.right}) {
        const Side side = t == &result.left ? Side::kLeft : Side::kRight;
        double sum = 0.0;
        int count = 0;
        for (const Player& player : lastFrame_.players) {
            if (player.side == side && player.onField()) {
                sum += player.stamina;
                ++count;
            }
        }
        t->staminaAtEnd = count > 0 ? sum / count : 0.0;
    }
    return result;
}

}  // namespace zamo::stats
