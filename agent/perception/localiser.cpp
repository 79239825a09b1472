// The own place and head direction from the flags of a visual message.
#include "agent/perception/localiser.h"

#include <algorithm>
#include <cmath>

#include "agent/config/server_params.h"
#include "agent/perception/geometry.h"
#include "agent/perception/landmarks.h"
#include "agent/perception/sensor_parser.h"

namespace zamo {

namespace {

// Every error estimate in use looks 0.7 m around the seen distance.
constexpr double kErrorRange = 0.7;
constexpr double kCandidateStep = 0.1;
// Beyond this a seen distance is no landmark of a field; it also keeps the quantisation's
// integer rounding in range.
constexpr double kMaxSeenDistance = 1000.0;
constexpr double kMaxSeenDirection = 360.0;
// Both coordinates this good: no other landmark can improve them.
constexpr double kGoodEnough = 0.05;
// A far landmark is taken for a known one when its estimate lies this close.
constexpr double kFarMatchRadius = 2.0;
constexpr double kHalfLength = 52.5;
constexpr double kHalfWidth = 34.0;

enum LineId { kLeftLine = 0, kTopLine = 1, kBottomLine = 2, kRightLine = 3 };

bool usable(const SeenObject& object) {
    return std::isfinite(object.distance) && object.distance >= 0.0 &&
           object.distance <= kMaxSeenDistance && std::isfinite(object.direction) &&
           std::abs(object.direction) <= kMaxSeenDirection;
}

// The distance the server would report for a landmark at true distance t.
double reported(double t, double step) {
    return quantize(std::exp(quantize(std::log(t + 1e-10), step)), 0.1);
}

// Head direction from the nearest line: the angle t between the line and the view direction
// tells which way the head points, depending on whether the agent stands inside the field.
double headFromLine(int id, double t, bool outside) {
    switch (id) {
        case kLeftLine:
            if (!outside) {
                return t >= 0.0 ? -t - 90.0 : -t + 90.0;
            }
            return t > 0.0 ? -t + 90.0 : -t - 90.0;
        case kTopLine:
            if (!outside) {
                return t >= 0.0 ? -t : -t - 180.0;
            }
            return t > 0.0 ? -t + 180.0 : -t;
        case kBottomLine:
            if (!outside) {
                return t > 0.0 ? -t + 180.0 : -t;
            }
            return t >= 0.0 ? -t : -t - 180.0;
        default:
            if (!outside) {
                return t > 0.0 ? -t + 90.0 : -t - 90.0;
            }
            return t >= 0.0 ? -t - 90.0 : -t + 90.0;
    }
}

}  // namespace

double distanceError(double seen, double step, double range) {
    if (!std::isfinite(seen) || seen < 0.0 || seen > kMaxSeenDistance || !(step > 0.0) ||
        !std::isfinite(range)) {
        return INFINITY;
    }
    const int candidates =
        std::clamp(static_cast<int>(std::floor(range / kCandidateStep + 1e-9)), 0, 1000);
    double upper = seen;
    for (int i = 1; i <= candidates; ++i) {
        const double candidate = seen + i * kCandidateStep;
        if (!(std::abs(reported(candidate, step) - seen) < 0.05)) {
            break;
        }
        upper = candidate;
    }
    double lower = seen;
    for (int i = 1; i <= candidates; ++i) {
        const double candidate = seen - i * kCandidateStep;
        // No landmark lies at a negative distance.
        if (candidate < 0.0 || !(std::abs(reported(candidate, step) - seen) < 0.05)) {
            break;
        }
        lower = candidate;
    }
    return std::max(std::abs(upper - seen), std::abs(lower - seen));
}

std::optional<LocalisationResult> Localiser::localise(const SeeInfo& see, int side) {
    errorX_ = kNoEstimate;
    errorY_ = kNoEstimate;
    const int count = std::clamp(see.count, 0, static_cast<int>(see.objects.size()));
    const double step = params_.landmarkQuantizeStep;

    // The nearest line gives the head direction and one coordinate. A line without a usable
    // distance cannot be the nearest, but it still counts as seen.
    const SeenObject* nearest = nullptr;
    double nearestDistance = kNoEstimate;
    int lines = 0;
    for (int i = 0; i < count; ++i) {
        const SeenObject& object = see.objects[static_cast<std::size_t>(i)];
        if (object.kind != kLine) {
            continue;
        }
        ++lines;
        if (usable(object) && object.distance < nearestDistance) {
            nearest = &object;
            nearestDistance = object.distance;
        }
    }
    if (nearest == nullptr || nearest->id < kLeftLine || nearest->id > kRightLine) {
        return std::nullopt;
    }
    // Only from outside the field can exactly two lines be in view.
    const bool outside = lines == 2;
    const double t = nearest->direction;
    const double d = nearest->distance;
    const double s = std::abs(std::sin(t * kDegToRad) * d);
    const double head = headFromLine(nearest->id, t, outside);
    double x = 0.0;
    double y = 0.0;
    switch (nearest->id) {
        case kLeftLine:
            x = outside ? -kHalfLength - s : s - kHalfLength;
            errorX_ = distanceError(d, step, kErrorRange);
            break;
        case kTopLine:
            y = outside ? -kHalfWidth - s : s - kHalfWidth;
            errorY_ = distanceError(d, step, kErrorRange);
            break;
        case kBottomLine:
            y = outside ? kHalfWidth + s : kHalfWidth - s;
            errorY_ = distanceError(d, step, kErrorRange);
            break;
        default:
            x = outside ? kHalfLength + s : kHalfLength - s;
            errorX_ = distanceError(d, step, kErrorRange);
            break;
    }

    // Takes a landmark at point p, seen at distance r in global direction g, when it improves a
    // coordinate. True when both coordinates are now good enough.
    const auto take = [&](Vec2 p, double r, double g) {
        const double e = distanceError(r, step, kErrorRange);
        if (e < errorX_) {
            x = p.x - std::cos(g * kDegToRad) * r;
            errorX_ = e;
        }
        if (e < errorY_) {
            y = p.y - std::sin(g * kDegToRad) * r;
            errorY_ = e;
        }
        return errorX_ < kGoodEnough && errorY_ < kGoodEnough;
    };

    const auto& table = landmarkTable();
    const Vec2 leftGoal{-kHalfLength, 0.0};
    const Vec2 rightGoal{kHalfLength, 0.0};
    bool farSeen = false;
    bool done = false;
    for (int i = 0; i < count && !done; ++i) {
        const SeenObject& object = see.objects[static_cast<std::size_t>(i)];
        if (!object.detailed) {
            farSeen = true;
            continue;
        }
        Vec2 point;
        if (object.kind == kFlag && object.id >= 0 && object.id < kLandmarkCount) {
            const Landmark& flag = table[static_cast<std::size_t>(object.id)];
            point = {flag.x, flag.y};
        } else if (object.kind == kGoal && object.id == 1) {
            point = leftGoal;
        } else if (object.kind == kGoal && object.id == 2) {
            point = rightGoal;
        } else {
            continue;
        }
        if (!usable(object)) {
            continue;
        }
        done = take(point, object.distance, geometry_.addAngles(head, object.direction));
    }
    if (errorX_ == kNoEstimate || errorY_ == kNoEstimate) {
        return std::nullopt;
    }

    // Far landmarks are only worth a look when the identified ones left an error.
    for (int i = 0; i < count && farSeen && !done; ++i) {
        const SeenObject& object = see.objects[static_cast<std::size_t>(i)];
        if (object.detailed || !usable(object) || (object.kind != kFlag && object.kind != kGoal)) {
            continue;
        }
        const double r = object.distance;
        const double g = geometry_.addAngles(head, object.direction);
        const Vec2 estimate{x + r * std::cos(g * kDegToRad), y + r * std::sin(g * kDegToRad)};
        if (object.kind == kFlag) {
            const int first = std::max(object.firstCandidate, 0);
            const int end = std::min(object.endCandidate, kLandmarkCount);
            for (int k = first; k < end && !done; ++k) {
                const Landmark& flag = table[static_cast<std::size_t>(k)];
                if (distance(Vec2{flag.x, flag.y}, estimate) <= kFarMatchRadius) {
                    done = take({flag.x, flag.y}, r, g);
                }
            }
        } else if (distance(rightGoal, estimate) <= kFarMatchRadius) {
            done = take(rightGoal, r, g);
        } else if (distance(leftGoal, estimate) <= kFarMatchRadius) {
            done = take(leftGoal, r, g);
        }
    }

    LocalisationResult result{x, y, head, errorX_, errorY_};
    if (side == 2) {
        result.x = -x;
        result.y = -y;
        result.headDirection = head > 0.0 ? head - 180.0 : head + 180.0;
    }
    return result;
}

}  // namespace zamo
