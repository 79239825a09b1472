// Angle, distance and direction helpers and the clamps of command arguments.
#include "agent/perception/geometry.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "agent/config/server_params.h"
#include "agent/perception/self_state.h"

namespace zamo {

namespace {

constexpr double kFieldXLimit = 57.5;
constexpr double kFieldYLimit = 39.0;
// Beyond this many full turns the stepwise reduction is replaced by an exact remainder, so that
// huge angles cost no more than ordinary ones. Below it the stepwise result is kept bit for bit.
constexpr double kStepwiseTurns = 16.0;

}  // namespace

double distance(Vec2 p, Vec2 q) {
    const double dx = p.x - q.x;
    const double dy = p.y - q.y;
    return std::sqrt(dx * dx + dy * dy);
}

double length(Vec2 v) {
    return std::sqrt(v.x * v.x + v.y * v.y);
}

Vec2 rotateAbout(Vec2 o, Vec2 p, double a) {
    if (p == o) {
        return o;
    }
    const Vec2 d = p - o;
    const double s = std::sin(a * kDegToRad);
    const double k = std::cos(a * kDegToRad);
    return {o.x + d.x * k - d.y * s, o.y + d.y * k + d.x * s};
}

double triangleAngle(Vec2 p1, Vec2 p2, double e, double f) {
    const double g = distance(p1, p2);
    const double denominator = g * e;
    if (!(denominator > 0.0)) {
        // A side of length zero leaves the angle undefined; the points lie on one line.
        return 0.0;
    }
    const double s = (g + e + f) / 2.0;
    // Nearly flat triangles can make the product or the sine stray just outside their ranges
    // through rounding; clamping keeps the result at the flat angle instead of NaN.
    const double area = std::sqrt(std::max(0.0, s * (s - g) * (s - e) * (s - f)));
    return std::asin(std::min(1.0, 2.0 * area / denominator)) * kRadToDeg;
}

int roundToInt(double x) {
    const double t = std::trunc(x);
    double r;
    if (t == x - 0.5) {
        // A positive exact half: the server sends it to the odd neighbour.
        r = 2.0 * std::trunc(t / 2.0) + 1.0;
    } else {
        r = std::trunc(x + 0.5);
    }
    if (std::isnan(r)) {
        return 0;
    }
    if (r >= static_cast<double>(INT_MAX)) {
        return INT_MAX;
    }
    if (r <= static_cast<double>(INT_MIN)) {
        return INT_MIN;
    }
    return static_cast<int>(r);
}

double quantize(double x, double q) {
    const double ratio = x / q;
    return q * roundToInt(ratio);
}

double Geometry::normalizeAngle(double a) const {
    const double maxMoment = params_.maxMoment;
    const double minMoment = params_.minMoment;
    if (std::isinf(a)) {
        // An infinite angle has no direction.
        return std::nan("");
    }
    if (a > kStepwiseTurns * 2.0 * maxMoment) {
        a = std::fmod(a, 2.0 * maxMoment);
    } else if (a < kStepwiseTurns * 2.0 * minMoment) {
        a = std::fmod(a, 2.0 * minMoment);
    }
    for (;;) {
        if (a > maxMoment) {
            a -= 2.0 * maxMoment;
        } else if (a < minMoment) {
            a -= 2.0 * minMoment;
        } else {
            return a;
        }
    }
}

double Geometry::addAngles(double a, double b) const {
    return normalizeAngle(a + b);
}

double Geometry::subtractAngles(double a, double b) const {
    return normalizeAngle(a - b);
}

double Geometry::directionOf(Vec2 v) const {
    if (v.x == 0.0) {
        if (v.y > 0.0) {
            return 90.0;
        }
        if (v.y < 0.0) {
            return -90.0;
        }
        return 0.0;
    }
    const double r = std::atan(v.y / v.x) * kRadToDeg;
    return v.x >= 0.0 ? r : addAngles(r, 180.0);
}

double Geometry::directionTo(Vec2 from, Vec2 to) const {
    return directionOf(to - from);
}

double Geometry::clampPower(double p) const {
    return std::clamp(p, params_.minPower, params_.maxPower);
}

double Geometry::clampMoment(double m) const {
    return std::clamp(m, params_.minMoment, params_.maxMoment);
}

double Geometry::clampNeckMoment(double m) const {
    const double n = self_.neckAngle;
    if (n + m > params_.maxNeckAngle) {
        return subtractAngles(params_.maxNeckAngle, n);
    }
    if (n + m < params_.minNeckAngle) {
        return subtractAngles(params_.minNeckAngle, n);
    }
    return m;
}

double Geometry::clampTurnForSpeed(double a, double speed) const {
    // A speed is a magnitude; a negative one would shrink or flip the divisor.
    const double divisor =
        1.0 + params_.playerType(self_.type).inertiaMoment * std::max(speed, 0.0);
    if (a > 0.0) {
        return std::min(a, params_.maxMoment / divisor);
    }
    return std::max(a, params_.minMoment / divisor);
}

double Geometry::clampBallSpeed(double s) const {
    return std::clamp(s, -params_.ballSpeedMax, params_.ballSpeedMax);
}

double Geometry::clampStamina(double s) const {
    return std::clamp(s, 0.0, params_.staminaMax);
}

double Geometry::clampFieldX(double x) {
    return std::clamp(x, -kFieldXLimit, kFieldXLimit);
}

double Geometry::clampFieldY(double y) {
    return std::clamp(y, -kFieldYLimit, kFieldYLimit);
}

}  // namespace zamo
