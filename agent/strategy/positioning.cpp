// Formation and strategic positions.
#include "agent/strategy/positioning.h"

#include <algorithm>
#include <cmath>

#include "agent/config/agent_config.h"
#include "agent/config/server_params.h"
#include "agent/perception/geometry.h"
#include "agent/perception/play_mode.h"
#include "agent/perception/world_snapshot.h"
#include "agent/skills/skills.h"

namespace zamo {
namespace {

constexpr double kOwnGoalLineX = -52.5;
constexpr double kPenaltyAreaX = 36.0;
constexpr double kPenaltyAreaHalfWidth = 20.16;
constexpr double kTouchLineY = 34.0;
constexpr double kFreeKickDistance = 9.15;

// Targets follow the ball sideways by this share of its y (18.3 m over the field's 68 m) and
// stay within this band, clear of the touch lines.
constexpr double kBallYShare = 0.2691176470588236;
constexpr double kTargetYLimit = 24.85;
// Offenders drift towards the ball's wing the farther up the field it is (9.15 m over 105 m).
constexpr double kOffenderWingShare = 0.08714285714285715;
constexpr double kOffenderXLimit = 43.35;
constexpr double kOffsideGap = 1.5;
constexpr double kMidfieldGap = 13.725;
// Above this share of the stamina maximum a player runs to its position rather than walks.
constexpr double kRestedStaminaShare = 0.6;

// Start values of the line scans: beyond anything on the field.
constexpr double kFarForward = 105.0;
constexpr double kFarBack = -105.0;
// Start value of the nearest-distance scan: the diagonal of a 105 x 68 field plus a margin.
const double kNoneNearer = std::sqrt(19309.0);

bool flaggedGoalie(const PlayerRecord& record) {
    return known(record.goalieTime) && record.goalie != 0;
}

double clampTargetY(double y) {
    return std::clamp(y, -kTargetYLimit, kTargetYLimit);
}

Vec2 along(double length, double directionDegrees) {
    return {length * std::cos(directionDegrees * kDegToRad),
            length * std::sin(directionDegrees * kDegToRad)};
}

}  // namespace

SetPlayOwner setPlayOwner(int playMode, int side) {
    constexpr int kLeft = 1;
    switch (playMode) {
        case kCornerKickL:
        case kFreeKickL:
        case kGoalKickL:
        case kIndirectFreeKickL:
        case kKickInL:
        case kKickOffL:
        case kOffsideL:
            return side == kLeft ? SetPlayOwner::kOwn : SetPlayOwner::kOpponent;
        case kCornerKickR:
        case kFreeKickR:
        case kGoalKickR:
        case kIndirectFreeKickR:
        case kKickInR:
        case kKickOffR:
        case kOffsideR:
            return side != kLeft ? SetPlayOwner::kOwn : SetPlayOwner::kOpponent;
        default:
            return SetPlayOwner::kNobody;
    }
}

const WorldSnapshot& Positioning::world() const {
    return history_.currentSnapshot();
}

int Positioning::ownIndex() const {
    const int index = config_.uniformNumber - 1;
    return index >= 0 && index < kTeamSize ? index : -1;
}

double Positioning::kickDistance() const {
    return skills_.ownKickReach();
}

bool Positioning::strategicPosition(Vec2& target, double& dashShare) const {
    const WorldSnapshot& w = world();
    const Vec2 ball = w.ballPosition;
    const Vec2 home = formation_.homePosition;
    const SetPlayOwner owner = setPlayOwner(w.playMode, config_.side);
    const bool ownSetPlay = owner == SetPlayOwner::kOwn;
    const bool theirSetPlay = owner == SetPlayOwner::kOpponent;
    const std::string& role = config_.playerType;

    Vec2 result{0.0, home.y + kBallYShare * ball.y};
    double share = kWalkDash;
    if (role == "defender") {
        result.x = std::min(ball.x, 0.0);
        if (ball.x > 0.0) {
            result.x = std::min(result.x, ball.x - 2.0 * kFreeKickDistance);
        } else if (ball.x > -26.25) {
            result.x = ball.x - kFreeKickDistance;
        } else {
            result.x = ball.x - 5.0;
        }
        result.x = std::max(result.x, -45.5);
        if (ownSetPlay && ball.x < -kPenaltyAreaX && -kPenaltyAreaHalfWidth < ball.y &&
            ball.y < kPenaltyAreaHalfWidth) {
            result.x += 16.0;
        }
        result.y = clampTargetY(result.y);
        const int own = ownIndex();
        const bool farBehind = own >= 0 && known(w.teammates[own].positionTime) &&
                               ball.x - w.teammates[own].position.x > 5.0;
        share = farBehind || ownSetPlay ? kWalkDash : kFullDash;
    } else if (role == "midfielder") {
        if (ball.x >= 0.0) {
            const double line = opponentLine(kTowardsOpponentGoal);
            result.x = line - kMidfieldGap;
            result = adjustForLane(result, ball, line - kOffsideGap);
            result.y = clampTargetY(result.y);
            if (theirSetPlay && ball.x > kPenaltyAreaX) {
                result.x -= 16.0;
            }
        } else {
            result.x = teammateLine(kTowardsOwnGoal) + kMidfieldGap;
            result.y = clampTargetY(result.y);
            if (ownSetPlay && ball.x < -kPenaltyAreaX) {
                result.x += 16.0;
            }
        }
        share = kWalkDash;
    } else if (role == "offender") {
        const double line = opponentLine(kTowardsOpponentGoal);
        result.x = line - kOffsideGap;
        if (ball.x > 0.0) {
            if (ball.y > 0.0) {
                result.y += kOffenderWingShare * ball.x;
            } else if (ball.y < 0.0) {
                result.y -= kOffenderWingShare * ball.x;
            }
        }
        result = adjustForLane(result, ball, line - kOffsideGap);
        result.x = std::min(result.x, kOffenderXLimit);
        result.y = clampTargetY(result.y);
        if (theirSetPlay && ball.x > kPenaltyAreaX) {
            result.x -= 16.0;
        }
        if (known(w.ballVelocityTime)) {
            const double heading = std::abs(geometry_.directionOf(w.ballVelocity));
            share = heading < 90.0 && !theirSetPlay ? kFullDash : kWalkDash;
        } else {
            // Without the ball's velocity: hurry while the ball is within reach of the own
            // goalie's long kick.
            const PlayerRecord& goalie = w.teammates[0];
            const bool far = !known(goalie.positionTime) || distance(ball, goalie.position) > 36.6;
            share = far || theirSetPlay ? kWalkDash : kFullDash;
        }
    } else {
        return true;
    }
    // Stamina well above the level where effort starts to fall is worth spending on being in
    // place sooner: it comes back faster than a walk would save it.
    const int own = ownIndex();
    if (own >= 0 && !ownSetPlay && known(w.teammates[own].staminaTime) &&
        w.teammates[own].stamina > kRestedStaminaShare * params_.staminaMax) {
        share = kFullDash;
    }
    target = result;
    dashShare = share;
    return true;
}

Vec2 Positioning::adjustForLane(Vec2 candidate, Vec2 ball, double xCap) const {
    if (!skills_.laneBlocked(candidate, ball, true, false, 0.0)) {
        return candidate;
    }
    if (amongTwoNearest(ball, false) && !twoTeammatesNear(ball, kFreeKickDistance, true)) {
        Vec2 shifted = skills_.laneClearingShift(candidate, ball, true, false, false, 0.0);
        shifted.x = std::min(shifted.x, xCap);
        return shifted;
    }
    return candidate;
}

Vec2 Positioning::goaliePosition(Vec2 ball) const {
    const double halfGoal = params_.goalWidth / 2.0;
    const Vec2 lowerPost{kOwnGoalLineX, -halfGoal};
    const Vec2 upperPost{kOwnGoalLineX, halfGoal};
    const double fromLower = geometry_.directionTo(lowerPost, ball);
    const double fromUpper = geometry_.directionTo(upperPost, ball);
    const double halfAngle = (fromLower - fromUpper) / 2.0;
    const double bisector = (fromLower + fromUpper) / 2.0;
    const double toLine = 90.0 + bisector;

    // Where the bisector of the angle the goal shows the ball meets the goal line.
    Vec2 onLine = lowerPost;
    if (toLine != 0.0) {
        onLine.y = -halfGoal + distance(lowerPost, ball) * std::sin(halfAngle * kDegToRad) /
                                   std::sin(toLine * kDegToRad);
    }
    // Out along the bisector: a third of the ball's distance from the goal line, at most half
    // the goal width.
    double out = 0.0;
    if (ball.x >= kOwnGoalLineX + 3.0 * halfGoal) {
        out = halfGoal;
    } else if (ball.x >= kOwnGoalLineX) {
        out = (ball.x - kOwnGoalLineX) / 3.0;
    }
    return onLine + along(out, bisector);
}

bool Positioning::markingPosition(Vec2& target) const {
    const WorldSnapshot& w = world();
    const PlayerType& own = skills_.ownType();
    const double reach = own.playerSize + own.kickableMargin;
    int chosen = -1;
    for (int i = 0; i < kTeamSize; ++i) {
        const PlayerRecord& opponent = w.opponents[i];
        if (!known(opponent.positionTime)) {
            continue;
        }
        const Vec2 p = opponent.position;
        if (insideRegion(p, formation_.pressingRegion, 2.0) && amongTwoNearest(p, false) &&
            !teammateNear(p, 5.0 * reach, false)) {
            chosen = i;
        }
    }
    if (chosen < 0) {
        return false;
    }
    const Vec2 p = w.opponents[chosen].position;
    target = p + along(2.0 * reach, geometry_.directionTo(p, {kOwnGoalLineX, 0.0}));
    return true;
}

Vec2 Positioning::clearanceTarget() const {
    const int own = ownIndex();
    const Vec2 s = own >= 0 ? world().teammates[own].position : Vec2{};
    const double toGoalLine = std::abs(s.x - kOwnGoalLineX);
    if (s.y > 0.0) {
        if (toGoalLine > std::abs(kTouchLineY - s.y)) {
            return {s.x, kTouchLineY};
        }
        return {kOwnGoalLineX, std::max(s.y, kPenaltyAreaHalfWidth)};
    }
    if (toGoalLine > std::abs(-kTouchLineY - s.y)) {
        return {s.x, -kTouchLineY};
    }
    return {kOwnGoalLineX, std::min(s.y, -kPenaltyAreaHalfWidth)};
}

double Positioning::opponentLine(int direction) const {
    const WorldSnapshot& w = world();
    const bool ballKnown = known(w.ballPositionTime);
    if (direction == kTowardsOwnGoal) {
        double rear = kFarForward;
        for (const PlayerRecord& opponent : w.opponents) {
            if (known(opponent.positionTime) && opponent.position.x < rear) {
                rear = opponent.position.x;
            }
        }
        if (ballKnown && w.ballPosition.x < rear) {
            rear = w.ballPosition.x;
        }
        return rear < 0.0 ? rear : 0.0;
    }
    // The offside line: the second-last opponent, or the ball when it is farther up.
    double last = kFarBack;
    double secondLast = kFarBack;
    for (const PlayerRecord& opponent : w.opponents) {
        if (!known(opponent.positionTime)) {
            continue;
        }
        const double x = opponent.position.x;
        if (x > last) {
            secondLast = last;
            last = x;
        } else if (x > secondLast) {
            secondLast = x;
        }
    }
    if (ballKnown && w.ballPosition.x > secondLast) {
        secondLast = w.ballPosition.x;
    }
    return secondLast > 0.0 ? secondLast : 0.0;
}

double Positioning::teammateLine(int direction) const {
    const WorldSnapshot& w = world();
    const bool ballKnown = known(w.ballPositionTime);
    if (direction == kTowardsOwnGoal) {
        // The rear line: the second-rearmost teammate, the goalie counted.
        double last = kFarForward;
        double secondLast = kFarForward;
        for (const PlayerRecord& mate : w.teammates) {
            if (!known(mate.positionTime)) {
                continue;
            }
            const double x = mate.position.x;
            if (x < last) {
                secondLast = last;
                last = x;
            } else if (x < secondLast) {
                secondLast = x;
            }
        }
        if (ballKnown && w.ballPosition.x < secondLast) {
            secondLast = w.ballPosition.x;
        }
        return secondLast < 0.0 ? secondLast : 0.0;
    }
    double front = kFarBack;
    for (const PlayerRecord& mate : w.teammates) {
        if (known(mate.positionTime) && mate.position.x > front) {
            front = mate.position.x;
        }
    }
    if (ballKnown && w.ballPosition.x > front) {
        front = w.ballPosition.x;
    }
    return front > 0.0 ? front : 0.0;
}

bool Positioning::withinKickDistance(Vec2 p, Vec2 q) const {
    return distance(p, q) <= kickDistance();
}

bool Positioning::amongTwoNearest(Vec2 point, bool includeGoalies) const {
    const WorldSnapshot& w = world();
    const int own = ownIndex();
    double best = kNoneNearer;
    double second = kNoneNearer;
    int bestIndex = -1;
    int secondIndex = -1;
    for (int i = 0; i < kTeamSize; ++i) {
        const PlayerRecord& mate = w.teammates[i];
        if (!known(mate.positionTime) || (flaggedGoalie(mate) && !includeGoalies)) {
            continue;
        }
        // Ties go to the own player: its entry wins equal distances either way round.
        const bool isOwn = i == own;
        const double d = distance(point, mate.position);
        if (isOwn ? d <= second : d < second) {
            second = d;
            secondIndex = i;
        }
        if (isOwn ? second <= best : second < best) {
            std::swap(best, second);
            std::swap(bestIndex, secondIndex);
        }
    }
    return own >= 0 && (bestIndex == own || secondIndex == own);
}

bool Positioning::ballInOwnPenaltyArea() const {
    const WorldSnapshot& w = world();
    if (!known(w.ballPositionTime)) {
        return false;
    }
    const Vec2 b = w.ballPosition;
    const double r = params_.ballSize;
    return b.x - r >= kOwnGoalLineX && b.x + r <= -kPenaltyAreaX &&
           b.y - r >= -kPenaltyAreaHalfWidth && b.y + r <= kPenaltyAreaHalfWidth;
}

bool Positioning::inOpponentPenaltyArea(Vec2 point) {
    return point.x >= kPenaltyAreaX && point.x <= -kOwnGoalLineX &&
           point.y >= -kPenaltyAreaHalfWidth && point.y <= kPenaltyAreaHalfWidth;
}

bool Positioning::insideRegion(Vec2 point, const Region& region, double margin) {
    return region.xMin - margin < point.x && point.x < region.xMax + margin &&
           region.yMin - margin < point.y && point.y < region.yMax + margin;
}

bool Positioning::teammateNear(Vec2 point, double radius, bool includeGoalies) const {
    const WorldSnapshot& w = world();
    const int own = ownIndex();
    for (int i = 0; i < kTeamSize; ++i) {
        const PlayerRecord& mate = w.teammates[i];
        if (i != own && known(mate.positionTime) && (includeGoalies || !flaggedGoalie(mate)) &&
            distance(point, mate.position) <= radius) {
            return true;
        }
    }
    return false;
}

bool Positioning::twoTeammatesNear(Vec2 point, double radius, bool includeGoalies) const {
    int count = 0;
    for (const PlayerRecord& mate : world().teammates) {
        if (known(mate.positionTime) && (includeGoalies || !flaggedGoalie(mate)) &&
            distance(point, mate.position) <= radius && ++count >= 2) {
            return true;
        }
    }
    return false;
}

bool Positioning::opponentNear(Vec2 point, double radius, bool includeGoalies) const {
    for (const PlayerRecord& opponent : world().opponents) {
        if (known(opponent.positionTime) && (includeGoalies || !flaggedGoalie(opponent)) &&
            distance(point, opponent.position) <= radius) {
            return true;
        }
    }
    return false;
}

bool Positioning::playerNear(Vec2 point, double radius, bool includeGoalieTeammates,
                             bool includeGoalieOpponents) const {
    return teammateNear(point, radius, includeGoalieTeammates) ||
           opponentNear(point, radius, includeGoalieOpponents);
}

}  // namespace zamo
