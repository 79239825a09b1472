// The physics model and the computations behaviours are built from.
#pragma once

#include <cmath>
#include <optional>

#include "agent/config/missing_values.h"
#include "agent/perception/server_command.h"
#include "agent/perception/vec2.h"
#include "agent/skills/intercept_problem.h"

namespace zamo {

struct AgentConfig;
struct PlayerType;
struct ServerParams;
struct SelfState;
struct PlayerRecord;
struct WorldHistory;
struct WorldSnapshot;
class Geometry;

// Dash strengths the decisions choose between, as shares of a player's strongest dash.
inline constexpr double kFullDash = 1.0;
inline constexpr double kWalkDash = 0.5;
inline constexpr double kSetPlayDash = 1.0 / 3.0;

// Below this speed a rolling ball counts as stopped.
inline constexpr double kStoppedBallSpeed = 0.1;

// The fastest player of one side towards the ball: its cycles (kUnreachableCycles when nobody
// gets there) and its simulation result.
struct FastestPlayer {
    int cycles = kUnreachableCycles;
    std::optional<InterceptResult> result;
};

// The physics model and the computations behaviours are built from. Every operation only
// reads the world, except updateKickRate, which writes the own kick rate. Nothing allocates.
class Skills {
  public:
    Skills(const ServerParams& params, const Geometry& geometry, SelfState& self,
           const AgentConfig& config, const WorldHistory& history)
        : params_(params), geometry_(geometry), self_(self), config_(config), history_(history) {}

    // Players and their types: the own player's, a record's (the default type until the server
    // names it).
    const PlayerType& ownType() const;
    const PlayerType& typeOf(const PlayerRecord& record) const;
    // From the own centre to the farthest ball the own player can kick.
    double ownKickReach() const;
    // How far a player can play the ball: its catch length as a goalie, else its kick reach.
    double playerReach(const PlayerRecord& record) const;
    // The acceleration of a dash of that share of the player's strongest, at its effort (the
    // type's best when unknown).
    double dashAccel(const PlayerRecord& record, double share) const;
    double ownDashAccel(double share) const;
    // The speed the strongest kick gives a ball resting a typical shooting distance in front of
    // the own body.
    double shotSpeed() const;
    // The fastest the own strongest kick of this cycle sends the ball along the field direction,
    // from where the ball lies and how it moves; 0 when the kick cannot turn the ball onto that
    // line or the own player or the ball is unknown.
    double strongestKickSpeed(double direction) const;
    // The kick power below which the own kick moves the ball too little to be worth sending.
    double weakKickPower() const;

    // Motion and kick model.
    double maxTurnAngle(double speed, const PlayerType& type) const;
    double minTurnAngle(double speed, const PlayerType& type) const;
    double usableStamina(double stamina) const;
    // Acceleration of the strongest own dash in the sense of sign (+1 forwards, -1 backwards)
    // that the stamina above the recovery threshold pays for; never against that sense.
    double maxDashAccel(double stamina, double effort, double sign) const;
    // Distance the own player covers from rest in cycles of dashes of that acceleration.
    double dashDistance(double accel, double stamina, int cycles) const;
    double dashDistanceFromRest(double accel, int cycles, const PlayerType& type) const;
    // Cycles to come within reach of a point distance away from rest; kUnreachableCycles when
    // the acceleration never gets there within that many cycles.
    int cyclesToCover(double distance, double reach, double accel, const PlayerType& type) const;
    // First speed that makes the ball travel distance in cycles; the distance itself for fewer
    // than one cycle.
    double ballFirstSpeed(double distance, int cycles) const;
    int ballCyclesToTravel(double distance, double firstSpeed) const;
    double facingTolerance(double distance, double reach, double extra) const;
    bool facingWithin(double body, double target, double distance, double reach, double extra,
                      bool allowBackwards) const;
    int turnCyclesToFace(double body, double target, double distance, double speed, double reach,
                         double extra, const PlayerType& type) const;
    double tackleFailProbability(Vec2 player, Vec2 ball, double body) const;
    // How much of the full kick power reaches the ball, from the own and ball positions of this
    // cycle; kNoValue when either or the own body direction is unknown.
    double effectiveKickFactor() const;
    void updateKickRate();
    static bool turnUseful(double x) { return std::abs(x) >= 0.5; }
    bool neckTurnUseful(double x) const;

    // Own and ball position one cycle after a list of commands; kNoValue in both coordinates
    // when unknown.
    Vec2 predictSelfPosition(const CommandList& commands) const;
    Vec2 predictBallPosition(const CommandList& commands) const;
    // Whether some player other than the own one (goalies included) has the ball within its
    // kick reach.
    bool ballTouchedByOther() const;

    // Interception and reach prediction.
    std::optional<InterceptProblem> buildInterceptProblem(PlayerSide side, int index,
                                                          bool includeBall) const;
    std::optional<InterceptProblem> buildReachProblem(PlayerSide side, int index, Vec2 point) const;
    std::optional<InterceptResult> simulateIntercept(const InterceptProblem& problem) const;
    std::optional<InterceptResult> simulateReach(const InterceptProblem& problem) const;
    // The simulations of these three run every player at dashShare of its strongest dash.
    FastestPlayer fastestTeammate(double dashShare, int backwardsCap) const;
    FastestPlayer fastestOpponent(double dashShare, int backwardsCap) const;
    // 1 when no teammate gets to the ball sooner than the own player, 2 when one does, 0 when
    // more do or the own player cannot or should not go; result gets the own simulation.
    int ownInterceptRank(InterceptResult& result, double dashShare, int backwardsCap) const;

    // Lanes between a point and the ball.
    bool playerBlocksLane(Vec2 start, Vec2 end, PlayerSide side, int index, double margin) const;
    bool ballBlocksLane(Vec2 start, Vec2 end, double margin) const;
    bool laneBlocked(Vec2 start, Vec2 end, bool testOpponents, bool testTeammates,
                     double margin) const;
    bool laneClear(Vec2 start, Vec2 end, bool testOpponents, bool testTeammates, bool testBall,
                   double margin) const;
    Vec2 laneClearingShift(Vec2 start, Vec2 end, bool testOpponents, bool testTeammates,
                           bool testBall, double margin) const;

    // This cycle's dash along the body line towards the meeting point of result; kNoValue when
    // no dash is to be sent.
    double approachDash(const InterceptResult& result, bool dashWhenFar, bool runIsAbsolute,
                        double run, bool gapIsAbsolute, double gap) const;

    // Where to keep the ball out of every nearby opponent's reach. False when the own position
    // or body is unknown or no ring is free; spot is kNoValue when nobody threatens the ball.
    bool safeBallSpot(double extraReach, Vec2& spot) const;

    // Goal-direction and pressure tests.
    bool ownGoalNotAhead() const;
    int nearestOpponentSide() const;

  private:
    const WorldSnapshot& world() const;
    const PlayerRecord* ownRecord() const;
    const PlayerRecord* playerRecord(PlayerSide side, int index) const;
    // The player's part of a problem; its body faces `facing` when its direction is unknown.
    std::optional<InterceptProblem> buildProblem(PlayerSide side, int index, Vec2 facing) const;
    double kickFactor(Vec2 own, double body, Vec2 ball) const;
    Vec2 predictedPlayer(const PlayerRecord& record) const;
    bool blocksLane(Vec2 start, Vec2 end, Vec2 point, double length, double halfWidth,
                    double margin) const;
    double laneAhead(Vec2 start, Vec2 end, Vec2 point) const;
    FastestPlayer fastest(PlayerSide side, double dashShare, int backwardsCap) const;
    std::optional<InterceptResult> simulateBothWays(InterceptProblem problem, int cap,
                                                    int backwardsCap) const;
    std::optional<Vec2> selfPredictionStart() const;
    Vec2 applyToSelfPrediction(Vec2 predicted, int kind, double first, double second) const;
    // Start velocity of the ball prediction, and its position; nullopt when the ball is unknown.
    std::optional<Vec2> ballPredictionStart(Vec2& velocity) const;
    // True when the command moved the ball.
    bool applyToBallPrediction(Vec2& predicted, Vec2& velocity, int kind, double first,
                               double second) const;

    const ServerParams& params_;
    const Geometry& geometry_;
    SelfState& self_;
    const AgentConfig& config_;
    const WorldHistory& history_;
};

}  // namespace zamo
