#pragma once

#include <optional>
#include <span>

#include "agent/config/server_params.h"
#include "agent/perception/play_mode.h"
#include "tools/practice_server/field_state.h"

namespace zamo::practice {

// What the referee decides when the ball has left the field, and where play restarts.
struct BallOutDecision {
    PlayMode mode = kPlayOn;  // a goal (kGoalL, kGoalR) or the restart for the other side
    Vec2 place;               // the restart spot; the centre spot after a goal
};

// Judges the ball's move from previous to current in one cycle. The ball is out once it is
// wholly over a line (its centre more than its radius beyond). A goal is scored when it crosses
// the goal line between the posts. Otherwise the side that did not touch it last restarts:
// a kick-in where it crossed the side line, a corner kick or goal kick when it crossed a goal
// line. lastTouch is kLeft, kRight, or 0 when nobody has touched it (a kick-in then goes to the
// right side).
std::optional<BallOutDecision> judgeBall(const ServerParams& params, Vec2 previous, Vec2 current,
                                         int lastTouch);

// The side whose set play a mode is (kLeft, kRight), 0 for modes that are nobody's set play.
int setPlaySide(PlayMode mode);

// Moves players to their own half for a kick-off, and the side not kicking off out of the
// centre circle. Players still off the field stay where they are.
void placeForKickOff(std::span<PlayerState> players, int kickingSide);

}  // namespace zamo::practice
