// Dribbling: the longest safe run with the ball, and its command of this cycle.
#pragma once

#include "agent/perception/server_command.h"
#include "agent/perception/vec2.h"

namespace zamo {

struct AgentConfig;
struct PlayerRecord;
struct SelfState;
struct ServerParams;
struct WorldHistory;
struct WorldSnapshot;
class Behaviours;
class Geometry;
class Skills;

// Which running directions a dribble tries.
inline constexpr int kDribbleAllDirections = 0;
inline constexpr int kDribbleForwardOnly = 1;

// The run a dribble settles on: its length in cycles, the turn cycles before it, where the
// player will be and the running direction. late: an opponent could be there while the player
// still turns; close: an opponent comes near the end of the run without reaching it.
struct DribbleRun {
    int length = 0;
    int turnCycles = 0;
    Vec2 end;
    double direction = 0.0;
    bool late = false;
    bool close = false;
};

// Keeps the ball and runs with it: searches a few running directions around the line to the
// opponent goal for the longest run no opponent can cut off, then emits this cycle's command of
// that run (a holding kick, a placing kick, a dash, a turn or a stop kick).
class Dribbler {
  public:
    Dribbler(const ServerParams& params, const Geometry& geometry, const SelfState& self,
             const AgentConfig& config, const WorldHistory& history, const Skills& skills,
             const Behaviours& behaviours)
        : params_(params),
          geometry_(geometry),
          self_(self),
          config_(config),
          history_(history),
          skills_(skills),
          behaviours_(behaviours) {}

    // mode kDribbleAllDirections or kDribbleForwardOnly; the run dashes at dashShare of the
    // strongest dash. True when a command was appended, or when the ball is best left alone
    // this cycle.
    bool dribble(CommandList& commands, int mode, double dashShare, int mark) const;

    // The best run, or one of length 0 when none survives (or the goalie asks).
    DribbleRun searchRun(int mode, double dashShare) const;

  private:
    const WorldSnapshot& world() const;
    const PlayerRecord* ownRecord() const;
    double kickDistance() const;
    double ownReach() const;
    bool emitRun(CommandList& commands, const DribbleRun& run, double dashAccel, int mark) const;

    const ServerParams& params_;
    const Geometry& geometry_;
    const SelfState& self_;
    const AgentConfig& config_;
    const WorldHistory& history_;
    const Skills& skills_;
    const Behaviours& behaviours_;
};

}  // namespace zamo
