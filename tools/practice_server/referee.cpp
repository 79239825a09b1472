#include "tools/practice_server/referee.h"

#include <cmath>

#include "agent/perception/geometry.h"

namespace zamo::practice {

namespace {

// The fraction of the way from a to b at which coordinate value c is crossed (1 when a is
// already beyond).
double crossingFraction(double a, double b, double c) {
    if ((a - c) * (b - c) > 0.0 || a == b) {
        return 1.0;
    }
    return (c - a) / (b - a);
}

double sign(double v) {
    return v < 0.0 ? -1.0 : 1.0;
}

}  // namespace

std::optional<BallOutDecision> judgeBall(const ServerParams& params, Vec2 previous, Vec2 current,
                                         int lastTouch) {
    const bool overGoalLine = std::abs(current.x) > kHalfLength + params.ballSize;
    const bool overSideLine = std::abs(current.y) > kHalfWidth + params.ballSize;
    if (!overGoalLine && !overSideLine) {
        return std::nullopt;
    }
    const double lineX = sign(current.x) * kHalfLength;
    const double lineY = sign(current.y) * kHalfWidth;
    const double atGoalLine = crossingFraction(previous.x, current.x, lineX);
    const double atSideLine = crossingFraction(previous.y, current.y, lineY);
    // When both lines are over, the one crossed first decides.
    if (overGoalLine && (!overSideLine || atGoalLine <= atSideLine)) {
        const double y = previous.y + (current.y - previous.y) * atGoalLine;
        const bool rightGoal = current.x > 0.0;
        if (std::abs(y) < params.goalWidth / 2.0) {
            return BallOutDecision{rightGoal ? kGoalL : kGoalR, {0.0, 0.0}};
        }
        const int defender = rightGoal ? kRight : kLeft;
        const double sy = sign(y);
        if (lastTouch == defender) {
            return BallOutDecision{
                rightGoal ? kCornerKickL : kCornerKickR,
                {lineX - sign(lineX) * kCornerMargin, sy * (kHalfWidth - kCornerMargin)}};
        }
        return BallOutDecision{rightGoal ? kGoalKickR : kGoalKickL,
                               {lineX - sign(lineX) * kGoalAreaLength, sy * kGoalAreaHalfWidth}};
    }
    double x = previous.x + (current.x - previous.x) * atSideLine;
    x = std::max(-kHalfLength, std::min(kHalfLength, x));
    return BallOutDecision{lastTouch == kRight ? kKickInL : kKickInR, {x, lineY}};
}

int setPlaySide(PlayMode mode) {
    switch (mode) {
        case kKickOffL:
        case kKickInL:
        case kCornerKickL:
        case kGoalKickL:
        case kFreeKickL:
        case kGoalieCatchBallL:
            return kLeft;
        case kKickOffR:
        case kKickInR:
        case kCornerKickR:
        case kGoalKickR:
        case kFreeKickR:
        case kGoalieCatchBallR:
            return kRight;
        default:
            return 0;
    }
}

void placeForKickOff(std::span<PlayerState> players, int kickingSide) {
    for (PlayerState& p : players) {
        if (!p.active || std::abs(p.pos.x) > kHalfLength || std::abs(p.pos.y) > kHalfWidth) {
            continue;
        }
        const double own = p.side == kLeft ? -1.0 : 1.0;
        if (p.pos.x * own < 0.0) {
            p.pos.x = 0.0;
        }
        const double r = length(p.pos);
        if (p.side != kickingSide && r < kCentreCircleRadius) {
            p.pos =
                r > 0.0 ? p.pos * (kCentreCircleRadius / r) : Vec2{own * kCentreCircleRadius, 0};
        }
        p.vel = {};
    }
}

}  // namespace zamo::practice
