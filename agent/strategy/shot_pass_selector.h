// The choice of shot or pass target.
#pragma once

#include <optional>

#include "agent/perception/vec2.h"

namespace zamo {

struct AgentConfig;
struct ServerParams;
struct WorldHistory;
struct WorldSnapshot;
class Geometry;
class Positioning;
class Skills;

// A point to kick the ball to and the number of cycles the ball is planned to travel there.
struct KickTarget {
    Vec2 target;
    int cycles = 0;
};

// A pass is planned to travel at this share of the ball's top speed on average.
inline constexpr double kPassPaceShare = 0.5;
// A shot slower than this share of the ball's top speed is caught or blocked: not taken.
inline constexpr double kMinShotSpeedShare = 0.5;

// Where to shoot and whom to pass to: every candidate is tested by letting each known opponent
// chase the simulated ball. Only reads the world.
class ShotPassSelector {
  public:
    ShotPassSelector(const ServerParams& params, const Geometry& geometry,
                     const AgentConfig& config, const WorldHistory& history, const Skills& skills,
                     const Positioning& positioning)
        : params_(params),
          geometry_(geometry),
          config_(config),
          history_(history),
          skills_(skills),
          positioning_(positioning) {}

    // True when the strongest kick possible now carries a ball at ball into the goal mouth.
    bool canShootFrom(Vec2 ball) const;
    // Fewest cycles any known opponent needs to reach the ball shot towards target at speed
    // (the type's strongest on a resting ball when not given); kUnreachableCycles when none can.
    int fastestOpponentToShot(Vec2 target, double speed = 0.0) const;
    // The goal point with the widest margin over the fastest opponent.
    std::optional<KickTarget> chooseShotTarget() const { return chooseShotTarget(0); }
    // The goal point with the widest margin (the fastest opponent's cycles less the ball's)
    // above minMargin: a negative one takes shots that an opponent may reach first.
    std::optional<KickTarget> chooseShotTarget(int minMargin) const;
    // Planned ball cycles of a pass to teammate index standing at target, when the teammate
    // gets the ball with time to spare over every known opponent.
    std::optional<int> passSafe(int index, Vec2 target) const;
    // The same for a pass into the space at target in front of teammate index; cycles is used
    // when the teammate already stands at target.
    std::optional<int> throughPassSafe(int index, Vec2 target, int cycles) const;
    // True when no known opponent is strictly closer to p than q is.
    bool noOpponentCloser(Vec2 p, Vec2 q) const;
    // The safe pass whose target lies nearest the opponent goal's centre. strict keeps to
    // direct passes to teammates seen this cycle.
    std::optional<KickTarget> choosePass(bool strict) const;

  private:
    const WorldSnapshot& world() const;
    double kickDistance() const;
    // Metres per cycle a pass is planned to travel on average.
    double passPace() const;
    // Cycles the receiver needs for a ball sent from the ball's place at speed along
    // direction; nullopt when it cannot get there.
    std::optional<int> receiverCycles(int index, double speed, double direction) const;
    // True when some known opponent reaches that ball in fewer than cap cycles.
    bool opponentIntercepts(double speed, double direction, int cap) const;

    const ServerParams& params_;
    const Geometry& geometry_;
    const AgentConfig& config_;
    const WorldHistory& history_;
    const Skills& skills_;
    const Positioning& positioning_;
};

}  // namespace zamo
