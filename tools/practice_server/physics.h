#pragma once

#include <span>

#include "agent/config/server_params.h"
#include "tools/practice_server/field_state.h"

namespace zamo::practice {

// The motion model of the simulator in the absolute frame; each player moves, kicks and tires
// as its heterogeneous type does.

double normalizeAngle(double a);  // into (-180, 180]
double directionOf(Vec2 v);       // degrees; 0 for the zero vector
Vec2 polar(double length, double direction);

// 1 - 0.25 * |angle of the ball off the body| / 180 - 0.25 * gap / kickable margin, where the gap
// is the distance between the surfaces of player and ball (an overlap counts as no gap).
double effectiveKickFactor(const ServerParams& params, const PlayerState& player, Vec2 ball);
bool ballKickable(const ServerParams& params, const PlayerState& player, Vec2 ball);
// The acceleration a kick gives the ball: power (clamped) * kick power rate * the effective kick
// factor, along body + direction, at most the ball's accel max. Zero when the ball is out of
// reach.
Vec2 kickAcceleration(const ServerParams& params, const PlayerState& player, Vec2 ball,
                      double power, double direction);

// Spends stamina on a dash (twice the power backwards, never more than there is and the type's
// extra stamina) and returns the acceleration along the body: effort * dash power rate * the
// power that could be paid.
Vec2 dashAcceleration(const ServerParams& params, PlayerState& player, double power);

// The body turn a moment gives the player at its speed: moment / (1 + inertia moment * speed).
double turnAngle(const ServerParams& params, const PlayerState& player, double moment);
// The neck angle after a neck turn, kept within the neck's range.
double neckAfterTurn(const ServerParams& params, double neck, double moment);

// (|dy| / tackle width)^e + (|dx| / D)^e with the ball in the player's body frame, D the tackle
// distance in front and the back distance behind. Values of 1 and more never succeed.
double tackleFailProbability(const ServerParams& params, Vec2 player, double body, Vec2 ball);

// Whether the ball lies in the catch rectangle: the type's catchable length ahead in body +
// direction, catchable area width across.
bool ballCatchable(const ServerParams& params, const PlayerState& player, Vec2 ball,
                   double direction);
bool inOwnPenaltyArea(int side, Vec2 pos);

// One cycle of motion: the acceleration is added, the speed limited, the object moves and its
// velocity decays.
void advanceBall(const ServerParams& params, BallState& ball);
void advancePlayer(const ServerParams& params, PlayerState& player);
// The end-of-cycle stamina, effort and recovery bookkeeping.
void recoverStamina(const ServerParams& params, PlayerState& player);

// Separates overlapping bodies along the line of their centres and bounces them back with a
// tenth of their speed. Returns the index of a player that bumped into the ball, or -1.
int resolveCollisions(const ServerParams& params, std::span<PlayerState> players, BallState& ball);

}  // namespace zamo::practice
