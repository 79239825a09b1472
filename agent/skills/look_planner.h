// Where to look next: the neck and body directions that see what matters most.
#pragma once

#include <array>
#include <span>

#include "agent/perception/vec2.h"

namespace zamo {

struct CommandList;
struct ServerParams;
struct SelfState;
struct AgentConfig;
struct WorldHistory;
class Geometry;
class Skills;

// One direction to look in, in degrees in the agent's frame, and how much it would show.
struct LookDirection {
    double direction = 0.0;
    double score = 0.0;
};

inline constexpr int kLookBins = 360;

// Look directions ordered from the most to the least useful.
struct LookPlan {
    int count = 0;
    std::array<LookDirection, kLookBins> entries{};

    std::span<const LookDirection> directions() const {
        return std::span<const LookDirection>(entries.data(), static_cast<std::size_t>(count));
    }
};

// Scores every direction around the agent by how stale and how near the objects in it are,
// and slides a window as wide as the view cone over them.
class LookPlanner {
  public:
    LookPlanner(const ServerParams& params, const Geometry& geometry, const SelfState& self,
                const AgentConfig& config, const WorldHistory& history, const Skills& skills)
        : params_(params),
          geometry_(geometry),
          self_(self),
          config_(config),
          history_(history),
          skills_(skills) {}

    // The look directions after this cycle's planned commands; empty when the cycle or the own
    // position is unknown.
    LookPlan planLookDirections(const CommandList& commands, double ballWeight,
                                double teammateWeight, double opponentWeight) const;

  private:
    const ServerParams& params_;
    const Geometry& geometry_;
    const SelfState& self_;
    const AgentConfig& config_;
    const WorldHistory& history_;
    const Skills& skills_;
};

}  // namespace zamo
