// The records of one interception or reach question.
#pragma once

#include "agent/perception/vec2.h"

namespace zamo {

// The cycle count that stands for "never": nobody reaches the ball, or a run never ends.
inline constexpr int kUnreachableCycles = 32767;

enum class PlayerSide { kTeammate, kOpponent };

// One player and one target for the interception and reach simulations.
struct InterceptProblem {
    int playerIndex = 0;  // uniform number - 1
    PlayerSide side = PlayerSide::kTeammate;
    Vec2 position;
    double speed = 0.0;              // m/cycle
    double velocityDirection = 0.0;  // degrees
    double bodyDirection = 0.0;      // degrees
    double stamina = 0.0;
    double effort = 1.0;
    int type = 0;                  // the player's heterogeneous type
    Vec2 targetPosition;           // the ball, or a fixed point
    double targetSpeed = 0.0;      // the ball's; unused for a fixed point
    double targetDirection = 0.0;  // degrees
    double dashAccel = 0.0;        // per dash: the caller's choice, the strongest when built
    double reach = 0.0;            // metres
    bool backwards = false;        // runs with its back first: dashes along body + 180
    int cycleCap = kUnreachableCycles;
};

// Where and when the simulated player meets its target.
struct InterceptResult {
    int playerIndex = 0;
    Vec2 driftPosition;  // the player after the simulated cycles by its initial velocity alone
    Vec2 targetPosition;
    int dashCycles = 0;
    int turnCycles = 0;
    double bodyDirection = 0.0;            // the running direction assumed
    double targetRelativeDirection = 0.0;  // of the target, relative to that direction
    double reach = 0.0;
    double dashAccel = 0.0;

    int cycles() const { return dashCycles + turnCycles; }
};

}  // namespace zamo
