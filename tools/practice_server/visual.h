#pragma once

#include <array>
#include <span>
#include <string>

#include "agent/config/server_params.h"
#include "tools/practice_server/field_state.h"
#include "tools/practice_server/random_source.h"

namespace zamo::practice {

// The server's rounding: to the nearest multiple of q, exact halves to the even multiple.
double quantizeValue(double v, double q);
int roundDegrees(double a);

// The distance the server reports for a true distance d: the logarithm is quantised with the
// step, the result with 0.1 (the step is 0.01 for landmarks and lines, 0.1 for ball and players).
double seenDistance(double d, double step);
// A direction relative to the head, in whole degrees.
int seenDirection(double relative);

// How a seen object moves relative to the observer: the distance change is the seen distance
// times the radial speed over the true distance (quantised 0.02), the direction change the
// angular speed in degrees (quantised 0.1).
struct SeenChanges {
    double distChange = 0.0;
    double dirChange = 0.0;
};
SeenChanges seenChanges(Vec2 relativePos, Vec2 relativeVel, double seenDist);

// The full opening angle of the view: normal width sees the visible angle, narrow half, wide
// double; with the in-step visual messages of version 18 two thirds of it per cycle between two.
double viewAngle(const ServerParams& params, int viewWidth, bool synchSee = false);
// With the in-step visual messages: cycles from one to the next at a view width.
int synchSeeInterval(int viewWidth);
bool inViewCone(const ServerParams& params, const PlayerState& observer, Vec2 target);

// A side line of the field that the head's ray crosses: distance along the ray and the angle
// of the line relative to the head, in (-90, 90].
struct LineSighting {
    int line = 0;  // 0 left, 1 top, 2 bottom, 3 right
    double distance = 0.0;
    double direction = 0.0;
};
// The lines the ray from pos in direction head crosses, nearest first (at most two).
int sightLines(Vec2 pos, double head, std::array<LineSighting, 4>& out);

// The whole "see" message for one observer.
std::string buildSee(const ServerParams& params, int time, const PlayerState& observer,
                     std::span<const PlayerState> players, const BallState& ball,
                     const std::array<std::string, 3>& teamNames, RandomSource& random);

}  // namespace zamo::practice
