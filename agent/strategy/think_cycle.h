// The once-per-cycle decision.
#pragma once

#include <optional>

#include "agent/perception/server_command.h"
#include "agent/perception/vec2.h"

namespace zamo {

class Behaviours;
class Dribbler;
class Geometry;
class LookPlanner;
class Positioning;
class ShotPassSelector;
class Skills;
class StrategySet;
struct AgentConfig;
struct Clock;
struct CycleTimer;
struct KickTarget;
struct PlayerRecord;
struct SelfState;
struct ServerParams;
struct WorldHistory;
struct WorldSnapshot;

// What the decision reads and uses. It writes only the view width it wants into self.
struct ThinkCycleParts {
    const ServerParams& serverParams;
    const AgentConfig& config;
    const Geometry& geometry;
    const Clock& clock;
    const CycleTimer& cycleTimer;
    const WorldHistory& worldHistory;
    SelfState& self;
    Skills& skills;
    StrategySet& strategySet;
    Positioning& positioning;
    ShotPassSelector& shotPassSelector;
    LookPlanner& lookPlanner;
    Behaviours& behaviours;
    Dribbler& dribbler;
};

// How much the look planner values seeing the ball, the teammates and the opponents.
struct LookWeights {
    double ball = 1.0;
    double teammates = 1.0;
    double opponents = 1.0;
};

// The once-per-cycle decision: by play mode and situation it picks one course of action (take
// the formation, catch, tackle, shoot, pass, dribble, clear, intercept, mark or go to the
// strategic position) and adds a look command. It only decides: the runtime sends what it chose.
// Runs on the think thread only.
class ThinkCycle {
  public:
    explicit ThinkCycle(const ThinkCycleParts& parts) : parts_(parts) {}
    ThinkCycle(const ThinkCycle&) = delete;
    ThinkCycle& operator=(const ThinkCycle&) = delete;

    // One pass: the commands to send, look command included.
    const CommandList& decide();

    const LookWeights& lookWeights() const { return weights_; }
    bool ownSetPlayPending() const { return ownSetPlayPending_; }
    int goalieHoldCount() const { return goalieHoldCount_; }

  private:
    const WorldSnapshot& world() const;
    const PlayerRecord* ownRecord() const;
    double kickDistance() const;
    // How far ahead the own goalie's catch reaches.
    double catchReach() const;
    int cycle() const;
    bool cycleBeforeOwnSay() const;

    void chooseViewWidth();
    void takeFormation();
    void play();
    // The three cases of the goalie with the ball in catching range; true when it decided.
    bool goalieWithBall(const PlayerRecord& own);
    void kickDecision(const PlayerRecord& own);
    // The kick (or the dribble finishKick turns it into) towards a chosen target; false when
    // nothing was decided and the next choice is to be tried.
    bool kickTo(const PlayerRecord& own, const KickTarget& target, bool holdingStep);
    // The kick towards target in cycles; nullopt when the decision was taken otherwise (a
    // dribble). The command's kind is kNoCommand when no kick should be sent.
    std::optional<ServerCommand> finishKick(const PlayerRecord& own, Vec2 target, int cycles,
                                            bool holdingStep);
    void goaliePositioning(const PlayerRecord& own);
    void fieldPositioning(const PlayerRecord& own);
    // The formation of the phase of play: the own set play, the own ball or theirs.
    void choosePhaseFormation(bool ownBall);
    void look();
    bool seeArrivesInTime() const;

    ThinkCycleParts parts_;

    // Per-pass values.
    CommandList commands_;
    double dashShare_ = 0.0;  // of the strongest dash, for the runs of this pass
    LookWeights weights_;
    bool kickOffMode_ = false;
    bool ownSetPlay_ = false;
    bool opponentSetPlay_ = false;
    bool kicking_ = false;
    bool ballSeenNow_ = false;      // the ball's believed place is seen, not only foreseen
    bool keepLookWeights_ = false;  // the decision set its own weights

    // Kept across passes.
    bool ownSetPlayPending_ = false;
    int goalieHoldCount_ = 0;
    int goalieHoldNext_ = 0;
    int setPlayRestPasses_ = 0;  // passes the set-play kicker has waited for stamina
};

}  // namespace zamo
