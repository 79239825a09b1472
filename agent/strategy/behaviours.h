// The behaviours a decision is built from: intercept, go to a point, kick toward, look, scan.
#pragma once

#include "agent/perception/server_command.h"
#include "agent/perception/vec2.h"
#include "agent/skills/intercept_problem.h"

namespace zamo {

struct AgentConfig;
struct PlayerRecord;
struct SelfState;
struct SensorStore;
struct ServerParams;
struct WorldHistory;
struct WorldSnapshot;
class Geometry;
class Skills;

// Marks of a command in the cycle's list: whether the look behaviour may cancel it.
inline constexpr int kLookMayCancel = 0;
inline constexpr int kKeep = 1;
inline constexpr int kKeepCatch = 2;

// The small behaviours that turn one decision into this cycle's commands. Each appends at most
// one body command (the look behaviour also a neck turn) and never sends anything.
class Behaviours {
  public:
    Behaviours(const ServerParams& params, const Geometry& geometry, const SelfState& self,
               const AgentConfig& config, const WorldHistory& history, const Skills& skills,
               const SensorStore& sensors)
        : params_(params),
          geometry_(geometry),
          self_(self),
          config_(config),
          history_(history),
          skills_(skills),
          sensors_(sensors) {}

    // Sweeps the field: turns by half the sum of the wanted and the current view cone, in a
    // cycle whose visual message has arrived.
    bool scanTurn(CommandList& commands, int mark) const;
    // The dash or turn of this cycle towards the meeting point of an interception.
    bool interceptBall(CommandList& commands, const InterceptResult& result, int mark) const;
    // The turn or dash of this cycle on the way to target, dashing at dashShare of the
    // strongest dash. backwardsCap 0 never runs backwards.
    bool goToPoint(CommandList& commands, Vec2 target, double dashShare, int backwardsCap,
                   int mark) const;
    // The kick that sends the ball distance metres in field direction within cycles cycles;
    // kind kNoCommand when the own position, body or the ball is unknown or the ball is out of
    // the kick's reach. The power is not limited here.
    ServerCommand kickToward(double distance, double direction, int cycles, int mark) const;
    // Turns the head (and the body when the neck cannot reach) towards a field direction,
    // cancelling body commands of mark kLookMayCancel that stand in the way.
    void lookToward(CommandList& commands, double lookDirection, int mark) const;

    // The view cone of a width code in degrees; kNoValue for a code that is no width.
    double viewAngle(int width) const;

  private:
    const WorldSnapshot& world() const;
    const PlayerRecord* ownRecord() const;
    // The dash power of an approach; 0 when no dash is to be sent.
    double dashPower(const InterceptResult& result, double acceleration) const;
    // True when the result runs with the back first.
    bool runsBackwards(const InterceptResult& result) const;

    const ServerParams& params_;
    const Geometry& geometry_;
    const SelfState& self_;
    const AgentConfig& config_;
    const WorldHistory& history_;
    const Skills& skills_;
    const SensorStore& sensors_;
};

}  // namespace zamo
