// Skills: the approach dash, the safe ball spot and the goal-direction and pressure tests.
#include <algorithm>
#include <array>
#include <cmath>

#include "agent/config/agent_config.h"
#include "agent/config/server_params.h"
#include "agent/perception/geometry.h"
#include "agent/perception/self_state.h"
#include "agent/perception/world_snapshot.h"
#include "agent/skills/skills.h"
#include "agent/skills/skills_support.h"

namespace zamo {

namespace {

constexpr int kBins = 360;
constexpr int kRings = 3;
// The ball spot on the innermost ring lies this much inside the own kick reach; each next ring
// lies farther out by the step.
constexpr double kInnerSpotInset = 0.2;
constexpr double kRingStep = 0.05;
// A ball kept close under pressure lies this much inside the own kick reach.
constexpr double kTightInset = 0.1;
// Rounding of the ring radii must not move the coverage thresholds (0.2, 0.15, 0.1 m).
constexpr double kCoverSlack = 1e-9;

// One-degree bin of a direction: bin k stands for k - 180 degrees.
int binOf(double direction) {
    if (!std::isfinite(direction)) {
        return 0;
    }
    return static_cast<int>(std::trunc(direction + 180.0)) % kBins;
}

}  // namespace

double Skills::approachDash(const InterceptResult& result, bool dashWhenFar, bool runIsAbsolute,
                            double run, bool gapIsAbsolute, double gap) const {
    const Vec2 drift = result.driftPosition;
    const Vec2 target = rotateAbout(drift, result.targetPosition, -result.bodyDirection);
    const double ahead = target.x - drift.x;
    const double side = target.y - drift.y;
    const double reach = result.reach;
    const double forwardLimit =
        std::min(maxDashAccel(self_.stamina, self_.effort, 1.0), result.dashAccel);
    const double backwardLimit =
        std::max(maxDashAccel(self_.stamina, self_.effort, -1.0), -result.dashAccel);

    if (ahead >= 0.0 && ahead > forwardLimit + reach) {
        return forwardLimit;
    }
    if (ahead < 0.0 && backwardLimit - reach > ahead) {
        return backwardLimit;
    }
    if (std::abs(side) > reach) {
        return ahead >= 0.0 ? forwardLimit : backwardLimit;
    }

    double wanted = runIsAbsolute ? run : ahead - run;
    const double bodyAndBall = params_.bodyAndBall(ownType());
    const double wantedGap = gapIsAbsolute ? gap : bodyAndBall + gap;
    // Distance from the ball after running `along`.
    const auto gapAfter = [&](double along) {
        return distance({drift.x + along, drift.y}, target);
    };
    const auto correctTo = [&](double wantedDistance) {
        const double h = target.x - (drift.x + wanted);
        const double c = std::sqrt(wantedDistance * wantedDistance - side * side);
        wanted += h >= 0.0 ? h - c : h + c;
    };
    const double after = gapAfter(wanted);
    if (after < wantedGap) {
        correctTo(wantedGap);
    } else if (after > reach) {
        correctTo(reach);
    }

    const double sideSlack = std::sqrt(std::max(0.0, wantedGap * wantedGap - side * side));
    if (wanted == 0.0) {
        return 0.0;
    }
    if (wanted > 0.0) {
        if (wanted <= forwardLimit) {
            return wanted;
        }
        const double full = gapAfter(forwardLimit);
        if (full < wantedGap) {
            // Even a full dash comes too close: stop exactly at the wanted gap in front.
            const double stop = target.x - drift.x - sideSlack;
            if (stop >= backwardLimit) {
                return stop;
            }
            return result.dashCycles <= 1 && full < bodyAndBall ? kNoValue : forwardLimit;
        }
        return full > reach && !dashWhenFar ? kNoValue : forwardLimit;
    }
    if (wanted >= backwardLimit) {
        return wanted;
    }
    const double full = gapAfter(backwardLimit);
    if (full < wantedGap) {
        const double stop = target.x - drift.x + sideSlack;
        if (stop <= forwardLimit) {
            return stop;
        }
        return result.dashCycles <= 1 && full < bodyAndBall ? kNoValue : backwardLimit;
    }
    return full > reach && !dashWhenFar ? kNoValue : backwardLimit;
}

bool Skills::safeBallSpot(double extraReach, Vec2& spot) const {
    spot = {kNoValue, kNoValue};
    const PlayerRecord* ownPlayer = ownRecord();
    if (ownPlayer == nullptr || !known(ownPlayer->positionTime) || !known(ownPlayer->bodyTime)) {
        return false;
    }
    const WorldSnapshot& snapshot = world();
    const Vec2 own = predictedPlayer(*ownPlayer);
    const double kickReach = ownKickReach();
    std::array<bool, kBins> blocked{};
    for (int ring = 0; ring < kRings; ++ring) {
        const double offset = kickReach - kInnerSpotInset + kRingStep * ring;
        const double radius = extraReach + offset;
        blocked.fill(false);
        int count = 0;
        bool covered = false;
        Vec2 threat;
        for (const PlayerRecord& opponent : snapshot.opponents) {
            if (!known(opponent.positionTime)) {
                continue;
            }
            const Vec2 place = predictedPlayer(opponent);
            const double reach = extraReach + playerReach(opponent);
            const double apart = distance(own, place);
            const double towards = geometry_.directionTo(own, place);
            if (apart <= reach - radius + kCoverSlack) {
                // This opponent reaches the whole ring: keep the ball tight, but this ring
                // is lost.
                spot = own + polar(kickReach - kTightInset, towards);
                covered = true;
                break;
            }
            if (radius - reach <= apart && apart <= reach + radius) {
                ++count;
                threat = place;
                const double half = triangleAngle(own, place, radius, reach);
                const int first = binOf(geometry_.subtractAngles(towards, half));
                const int last = binOf(geometry_.addAngles(towards, half));
                for (int bin = first;; bin = (bin + 1) % kBins) {
                    blocked[static_cast<std::size_t>(bin)] = true;
                    if (bin == last) {
                        break;
                    }
                }
            }
        }
        if (covered) {
            continue;
        }
        if (count == 0) {
            return true;
        }
        if (count == 1) {
            spot = own + polar(offset, geometry_.directionTo(threat, own));
            return true;
        }
        const auto isBlocked = [&](int bin) { return blocked[static_cast<std::size_t>(bin)]; };
        int firstBlocked = 0;
        while (firstBlocked < kBins && !isBlocked(firstBlocked)) {
            ++firstBlocked;
        }
        if (firstBlocked == kBins) {
            return true;
        }
        // Longest run of free bins, the scan starting after a blocked bin so that a run
        // across bin 0 is seen whole; the first of equally long runs wins.
        int bestStart = 0;
        int bestLength = 0;
        int runStart = 0;
        int runLength = 0;
        for (int step = 1; step <= kBins; ++step) {
            const int bin = (firstBlocked + step) % kBins;
            if (isBlocked(bin)) {
                runLength = 0;
                continue;
            }
            if (runLength == 0) {
                runStart = bin;
            }
            ++runLength;
            if (runLength > bestLength) {
                bestLength = runLength;
                bestStart = runStart;
            }
        }
        if (bestLength > 0) {
            const double direction =
                geometry_.normalizeAngle(bestStart + std::trunc(bestLength / 2.0) - 180.0);
            spot = own + polar(offset, direction);
            return true;
        }
    }
    return false;
}

bool Skills::ownGoalNotAhead() const {
    const PlayerRecord* own = ownRecord();
    if (own == nullptr || !known(own->positionTime) || !known(own->bodyTime)) {
        // Nothing says the body points at the own goal.
        return true;
    }
    const Vec2 position = own->position;
    const double post = params_.goalPostY();
    const Vec2 right = rotateAbout(position, {-52.5, -post}, -own->bodyDirection);
    const Vec2 left = rotateAbout(position, {-52.5, post}, -own->bodyDirection);
    const bool facesGoal = left.y < position.y && position.y < right.y;
    return !facesGoal || distance(position, {-52.5, 0.0}) >= 45.0;
}

int Skills::nearestOpponentSide() const {
    const PlayerRecord* own = ownRecord();
    if (own == nullptr || !known(own->positionTime) || !known(own->bodyTime)) {
        return 0;
    }
    const Vec2 place = predictedPlayer(*own);
    const PlayerRecord* nearest = nullptr;
    double nearestDistance = 0.0;
    for (const PlayerRecord& opponent : world().opponents) {
        if (!known(opponent.positionTime)) {
            continue;
        }
        // Close means within both kick reaches and one full dash of the opponent.
        const double radius = ownKickReach() + params_.kickableArea(typeOf(opponent)) +
                              dashAccel(opponent, kFullDash);
        // On equal distance the later one wins.
        const double apart = distance(place, predictedPlayer(opponent));
        if (apart <= radius && (nearest == nullptr || apart <= nearestDistance)) {
            nearestDistance = apart;
            nearest = &opponent;
        }
    }
    if (nearest == nullptr) {
        return 0;
    }
    const Vec2 rotated = rotateAbout(place, nearest->position, -own->bodyDirection);
    return rotated.y > place.y ? 1 : 2;
}

}  // namespace zamo
