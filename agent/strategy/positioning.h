// Formation and strategic positions.
#pragma once

#include "agent/perception/vec2.h"
#include "agent/strategy/strategy_set.h"

namespace zamo {

struct AgentConfig;
struct ServerParams;
struct WorldHistory;
struct WorldSnapshot;
class Geometry;
class Skills;

// Whose set play the current play mode is.
enum class SetPlayOwner { kNobody, kOwn, kOpponent };

// side: 1 left, 2 right, 0 not yet known.
SetPlayOwner setPlayOwner(int playMode, int side);

// Which way a line measure looks.
inline constexpr int kTowardsOwnGoal = 1;
inline constexpr int kTowardsOpponentGoal = 2;

// Target points from the formation and the current snapshot: strategic position, goalie
// position, marking and clearance, the two line measures and the situation tests the decision
// code chooses by. Everything but setFormation only reads.
class Positioning {
  public:
    Positioning(const ServerParams& params, const Geometry& geometry, const AgentConfig& config,
                const WorldHistory& history, const Skills& skills)
        : params_(params),
          geometry_(geometry),
          config_(config),
          history_(history),
          skills_(skills) {}

    const Formation& formation() const { return formation_; }
    void setFormation(const Formation& formation) { formation_ = formation; }

    // Where a field player of the own role stands away from the ball, and how hard to dash
    // there (a share of the strongest dash: kFullDash or kWalkDash). A role without a strategic
    // position (the goalie, or an unknown word) succeeds and leaves both values as they were.
    bool strategicPosition(Vec2& target, double& dashShare) const;
    // Where the goalie stands to cover the own goal against a ball at ball.
    Vec2 goaliePosition(Vec2 ball) const;
    // The spot goal-side of the opponent this player should mark; false when there is none.
    bool markingPosition(Vec2& target) const;
    // The nearer of the own touch line and the side of the own goal line.
    Vec2 clearanceTarget() const;
    // The opponents' and the own team's line x in the given direction (kTowardsOwnGoal or
    // kTowardsOpponentGoal); 0 when the line lies in the other half.
    double opponentLine(int direction) const;
    double teammateLine(int direction) const;

    bool withinKickDistance(Vec2 p, Vec2 q) const;
    bool amongTwoNearest(Vec2 point, bool includeGoalies) const;
    bool ballInOwnPenaltyArea() const;
    static bool inOpponentPenaltyArea(Vec2 point);
    // Strictly inside the region widened by margin on every side (narrowed when negative).
    static bool insideRegion(Vec2 point, const Region& region, double margin);
    bool teammateNear(Vec2 point, double radius, bool includeGoalies) const;
    bool twoTeammatesNear(Vec2 point, double radius, bool includeGoalies) const;
    bool opponentNear(Vec2 point, double radius, bool includeGoalies) const;
    bool playerNear(Vec2 point, double radius, bool includeGoalieTeammates,
                    bool includeGoalieOpponents) const;

  private:
    const WorldSnapshot& world() const;
    int ownIndex() const;
    double kickDistance() const;
    // The midfielder's and offender's step out of an opponent's shadow on the way to the ball.
    Vec2 adjustForLane(Vec2 candidate, Vec2 ball, double xCap) const;

    const ServerParams& params_;
    const Geometry& geometry_;
    const AgentConfig& config_;
    const WorldHistory& history_;
    const Skills& skills_;
    // Until the first formation is taken, the one used without strategy files.
    Formation formation_ = kDefaultFormation;
};

}  // namespace zamo
