// Small helpers shared by the skill sources.
#pragma once

#include <cmath>

#include "agent/config/missing_values.h"
#include "agent/perception/geometry.h"
#include "agent/perception/vec2.h"
#include "agent/perception/world_snapshot.h"

// Small helpers shared by the skill sources.
namespace zamo {

inline bool isGoalie(const PlayerRecord& record) {
    return known(record.goalieTime) && record.goalie != 0;
}

// The vector of the given length pointing in direction degrees.
inline Vec2 polar(double length, double direction) {
    return {length * std::cos(direction * kDegToRad), length * std::sin(direction * kDegToRad)};
}

}  // namespace zamo
