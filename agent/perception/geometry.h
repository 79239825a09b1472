// Angle, distance and direction helpers and the clamps of command arguments.
#pragma once

#include "agent/perception/vec2.h"

namespace zamo {

struct ServerParams;
struct SelfState;

inline constexpr double kDegToRad = 0.017453292519943278;
inline constexpr double kRadToDeg = 57.29577951308239;

double distance(Vec2 p, Vec2 q);
double length(Vec2 v);
// p rotated about o by a degrees; a positive angle turns from +x towards +y.
Vec2 rotateAbout(Vec2 o, Vec2 p, double a);
// Angle in degrees, in [0, 90], between side p1-p2 and the side of length e of the triangle
// with sides |p1 p2|, e and f.
double triangleAngle(Vec2 p1, Vec2 p2, double e, double f);
// The simulator's own rounding: positive exact halves go to the odd neighbour, and negative
// values round as trunc(x + 0.5). Localisation depends on reproducing it exactly.
int roundToInt(double x);
double quantize(double x, double q);

// Angle, direction and clamping helpers that follow the server's limits in force.
class Geometry {
  public:
    Geometry(const ServerParams& params, const SelfState& self) : params_(params), self_(self) {}

    double normalizeAngle(double a) const;
    double addAngles(double a, double b) const;
    double subtractAngles(double a, double b) const;
    double directionOf(Vec2 v) const;
    double directionTo(Vec2 from, Vec2 to) const;

    double clampPower(double p) const;
    double clampMoment(double m) const;
    double clampNeckMoment(double m) const;
    double clampTurnForSpeed(double a, double speed) const;
    double clampBallSpeed(double s) const;
    double clampStamina(double s) const;
    static double clampFieldX(double x);
    static double clampFieldY(double y);

  private:
    const ServerParams& params_;
    const SelfState& self_;
};

}  // namespace zamo
