#pragma once

#include <array>
#include <string>
#include <vector>

#include "gamelog/frame.h"
#include "gamelog/line_decoder.h"

namespace zamo::stats {

// Where the ball was while one team had it, in that team's frame (it attacks towards +x):
// counts of cells kHeatColumns x kHeatRows over the field of 105 x 68 m.
inline constexpr int kHeatColumns = 42;
inline constexpr int kHeatRows = 28;
inline constexpr double kFieldLength = 105.0;
inline constexpr double kFieldWidth = 68.0;

struct HeatMap {
    std::array<long, kHeatColumns * kHeatRows> cells{};

    void add(double x, double y);
    long at(int column, int row) const { return cells[row * kHeatColumns + column]; }
    HeatMap& operator+=(const HeatMap& other);
};

struct TeamStats {
    std::string name;
    int goals = 0;
    int shotsOnGoal = 0;
    int passesAttempted = 0;
    int passesCompleted = 0;
    int kicks = 0;
    int kickFaults = 0;
    int catches = 0;
    int catchFaults = 0;
    int tackles = 0;
    int fouls = 0;
    int offsides = 0;
    long possessionCycles = 0;       // play-on cycles after the team's touch
    long opponentHalfCycles = 0;     // play-on cycles with the ball in the other team's half
    long viewCycles[3] = {0, 0, 0};  // player-cycles in play on at narrow, normal, wide view
    double staminaAtEnd = 0.0;       // mean over the team's players in the last frame
    HeatMap possessionHeat;
};

struct MatchStats {
    TeamStats left;
    TeamStats right;
    int lastCycle = 0;
    long playOnCycles = 0;

    const TeamStats& team(gamelog::Side side) const {
        return side == gamelog::Side::kLeft ? left : right;
    }
    // Shares of the play-on cycles.
    double possessionShare(gamelog::Side side) const;
    double opponentHalfShare(gamelog::Side side) const;
    // Shares of a team's player-cycles in play on at view width 0 narrow, 1 normal, 2 wide.
    double viewShare(gamelog::Side side, int width) const;
};

// Computes the statistics of a match from its frames, one at a time in the order of the log.
//
// Touches are successful kicks, catches and tackles. Kicks and tackles are read from the
// players' command counts (a failed kick is not counted; a tackle stays marked in the state bits
// for several cycles), faults and catches from the state bits. A pass is a kick
// whose next touch is by another player: completed when that player is a teammate. A shot on
// goal is a kick that sends the ball across the opponents' goal line between the posts before
// it would stop, or one that the next goal follows without another touch; shots are no passes.
class MatchStatsCollector {
  public:
    // The server's parameters give the ball's decay, the goal's width and the view angle.
    explicit MatchStatsCollector(const gamelog::ParamBlock& serverParams);

    void add(const gamelog::Frame& frame);
    MatchStats finish() const;

  private:
    struct Touch {
        gamelog::Side side = gamelog::Side::kLeft;
        int number = 0;
        bool kick = false;
        bool shot = false;
    };

    TeamStats& team(gamelog::Side side) {
        return side == gamelog::Side::kLeft ? stats_.left : stats_.right;
    }
    void touch(const gamelog::Frame& frame, const gamelog::Player& player, bool kick);
    bool headsIntoGoal(const gamelog::Frame& frame, gamelog::Side side) const;
    void playModeChanged(int playMode);

    double ballDecay_;
    double goalHalfWidth_;
    double visibleAngle_;
    MatchStats stats_;
    bool started_ = false;
    int playMode_ = 0;
    int scoreLeft_ = 0;
    int scoreRight_ = 0;
    bool hasTouch_ = false;
    Touch last_;
    // The command counts of each player in the frame before, by side and number.
    struct Counts {
        bool seen = false;
        int kicks = 0;
        int tackles = 0;
    };
    std::array<std::array<Counts, gamelog::kTeamSize + 1>, 2> counts_{};
    gamelog::Frame lastFrame_;
};

}  // namespace zamo::stats
