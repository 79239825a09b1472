// Statistics of made-up matches whose figures are known, and of the real server's sample.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "gamelog/game_log_reader.h"
#include "gamelog/line_decoder.h"
#include "support/test_data.h"
#include "tools/match_stats/match_stats.h"

namespace zamo::stats {
namespace {

using gamelog::Side;

struct P {
    char side;
    int number;
    unsigned state = 0x1;
    double x = 0.0;
    double y = 0.0;
    int tackles = 0;
    double stamina = 8000.0;
    double view = 180.0;
    bool unshownKick = false;  // kicked in a cycle the log did not show: counted, not marked
};

// Writes frames as the server's show lines and runs them through the decoder and the collector.
class MatchBuilder {
  public:
    MatchBuilder() {
        decoder_.decode("(server_param (ball_decay 0.94)(goal_width 14.02)(visible_angle 90))");
        collector_.emplace(decoder_.serverParams());
        playMode("play_on");
    }

    void playMode(const std::string& name) { decode("(playmode 1 " + name + ")"); }
    void score(int left, int right) {
        decode("(team 1 L R " + std::to_string(left) + " " + std::to_string(right) + ")");
    }

    // One frame: the ball and the players that matter; everybody else is left out.
    void frame(double bx, double by, double vx, double vy, const std::vector<P>& players) {
        std::string line = "(show " + std::to_string(++cycle_) + " ((b) " + num(bx) + " " +
                           num(by) + " " + num(vx) + " " + num(vy) + ")";
        for (const P& p : players) {
            // The server counts the kicks that reached the ball.
            int& kicks = kicks_[{p.side, p.number}];
            kicks += (p.state & 0x6) == 0x2 || p.unshownKick ? 1 : 0;
            char state[16];
            std::snprintf(state, sizeof state, "0x%x", p.state);
            line += " ((" + std::string(1, p.side) + " " + std::to_string(p.number) + ") 0 " +
                    state + " " + num(p.x) + " " + num(p.y) + " 0 0 0 0 (v h " + num(p.view) +
                    ") (s " + num(p.stamina) + " 1 1 130000) (c " + std::to_string(kicks) +
                    " 0 0 0 0 0 0 0 " + std::to_string(p.tackles) + " 0 0 0))";
        }
        decode(line + ")");
        collector_->add(decoder_.frame());
    }
    // A frame in which nobody touches the ball; the given player keeps the show valid.
    void quiet(double bx, int times = 1) {
        for (int i = 0; i < times; ++i) {
            frame(bx, 0, 0, 0, {{'l', 1, 0x9, -50, 0}});
        }
    }

    MatchStats finish() const { return collector_->finish(); }

  private:
    static std::string num(double v) { return std::to_string(v); }
    void decode(const std::string& line) {
        ASSERT_NE(decoder_.decode(line), gamelog::LineKind::kBad)
            << decoder_.error() << ": " << line;
    }

    gamelog::LineDecoder decoder_;
    std::optional<MatchStatsCollector> collector_;
    int cycle_ = 0;
    std::map<std::pair<char, int>, int> kicks_;
};

// A team's counts in one line, so that one comparison checks them all: g goals, s shots,
// p passes completed/attempted, k kicks, kf kick faults, c catches, cf catch faults, t tackles,
// f fouls, o offsides, h cycles holding the ball.
std::string figures(const TeamStats& t) {
    const auto n = [](long value) { return std::to_string(value); };
    return "g" + n(t.goals) + " s" + n(t.shotsOnGoal) + " p" + n(t.passesCompleted) + "/" +
           n(t.passesAttempted) + " k" + n(t.kicks) + " kf" + n(t.kickFaults) + " c" +
           n(t.catches) + " cf" + n(t.catchFaults) + " t" + n(t.tackles) + " f" + n(t.fouls) +
           " o" + n(t.offsides) + " h" + n(t.possessionCycles);
}

constexpr unsigned kKick = 0x3;       // stand + kick
constexpr unsigned kKickFault = 0x7;  // stand + kick + fault

TEST(MatchStatsTest, PassesAreKicksWhoseNextTouchIsAnotherPlayers) {
    MatchBuilder m;
    m.frame(-10, 0, 1.0, 0.5, {{'l', 2, kKick}});  // dribble: touched again by the same player
    m.quiet(-9);
    m.frame(-8, 1, 1.5, 0, {{'l', 2, kKick}});  // to a teammate
    m.quiet(-6, 3);
    m.frame(0, 1, 1.2, 0, {{'l', 3, kKick}});  // intercepted
    m.frame(2, 1, -1.0, 0, {{'r', 5, kKick}});
    m.frame(1, 1, -0.5, 0, {{'r', 5, kKick}});  // last kick of the match: no next touch
    const MatchStats s = m.finish();
    EXPECT_EQ(figures(s.left), "g0 s0 p1/2 k3 kf0 c0 cf0 t0 f0 o0 h7");
    EXPECT_EQ(figures(s.right), "g0 s0 p0/0 k2 kf0 c0 cf0 t0 f0 o0 h2");
}

TEST(MatchStatsTest, AKickFaultIsNoTouch) {
    MatchBuilder m;
    m.frame(-10, 0, 1, 0, {{'l', 2, kKick}});
    m.frame(-9, 0, 0.9, 0, {{'r', 4, kKickFault}});  // missed the ball
    m.frame(-8, 0, 0.8, 0, {{'l', 7, kKick}});
    m.frame(-6, 0, 0.8, 0, {{'l', 7}});
    m.frame(-5, 0, 0.8, 0, {{'l', 7, 0x1, 0, 0, 0, 8000, 180, true}});
    m.frame(-4, 0, 0.8, 0, {{'l', 8, kKick}});
    const MatchStats s = m.finish();
    // Both passes completed: the fault did not take the ball.
    EXPECT_EQ(figures(s.left), "g0 s0 p2/2 k4 kf0 c0 cf0 t0 f0 o0 h6");
    EXPECT_EQ(figures(s.right), "g0 s0 p0/0 k0 kf1 c0 cf0 t0 f0 o0 h0");
}

TEST(MatchStatsTest, PossessionAndHalvesCountOnlyCyclesInPlay) {
    MatchBuilder m;
    m.quiet(-5, 2);                           // nobody has touched it yet
    m.frame(-5, 0, 1, 0, {{'l', 2, kKick}});  // left from here: 1 + 3 cycles
    m.quiet(5, 3);
    m.frame(6, 0, -1, 0, {{'r', 9, kKick}});  // right from here: 1 + 1 in play, 2 not
    m.quiet(5);
    m.playMode("kick_in_l");
    m.quiet(20, 2);
    const MatchStats s = m.finish();
    EXPECT_EQ(s.playOnCycles, 2 + 4 + 2);
    EXPECT_EQ(s.left.possessionCycles, 4);
    EXPECT_EQ(s.right.possessionCycles, 2);
    EXPECT_DOUBLE_EQ(s.possessionShare(Side::kLeft), 4.0 / 6.0);
    EXPECT_DOUBLE_EQ(s.possessionShare(Side::kRight), 2.0 / 6.0);
    // Ball at x > 0 in play: three quiet frames, the right's kick and the frame after it.
    EXPECT_DOUBLE_EQ(s.opponentHalfShare(Side::kLeft), 5.0 / 8.0);
    EXPECT_DOUBLE_EQ(s.opponentHalfShare(Side::kRight), 3.0 / 8.0);
}

TEST(MatchStatsTest, ShotsAreKicksIntoTheGoalMouthOrKicksBeforeAGoal) {
    MatchBuilder m;
    // From (40, 0) at 2.5 m a cycle the ball would roll 41.7 m: into the right goal.
    m.frame(40, 0, 2.5, 0.5, {{'l', 9, kKick}});
    m.frame(42, 0.5, 2.3, 0.4, {{'r', 1, 0x19, 42, 0.5}});  // the goalie catches
    // Wide of the post: y would be 10 at the line.
    m.frame(40, 0, 2.5, 2.0, {{'l', 9, kKick}});
    m.frame(45, 4, 2.3, 1.8, {{'r', 2, kKick}});
    // Too slow to arrive, and the goal follows anyway: still a shot.
    m.frame(50, 0, 0.1, 0, {{'l', 10, kKick}});
    m.score(1, 0);
    m.playMode("goal_l");
    m.quiet(52);
    m.playMode("kick_off_r");
    m.frame(0, 0, -1, 0, {{'r', 9, kKick}});
    // The right team heads for its own goal with a kick that could be a pass.
    m.playMode("play_on");
    m.frame(40, 0, 1, 0, {{'r', 4, kKick}});
    m.score(2, 0);
    m.playMode("goal_l");
    m.quiet(52);
    m.playMode("kick_off_r");
    m.frame(0, 0, -1, 0, {{'r', 9, kKick}});
    const MatchStats s = m.finish();
    // The left's only pass is the wide kick, lost to the right; the right's are the kick lost
    // to the left's last shot, and the kick-off to the player who then scored into his own goal.
    EXPECT_EQ(figures(s.left), "g2 s2 p0/1 k3 kf0 c0 cf0 t0 f0 o0 h3");
    EXPECT_EQ(figures(s.right), "g0 s0 p1/2 k4 kf0 c1 cf0 t0 f0 o0 h3");
}

TEST(MatchStatsTest, CountsFoulsOffsidesTacklesAndCatchFaultsOnce) {
    MatchBuilder m;
    m.frame(0, 0, 0, 0, {{'l', 4, 0x1001, 0, 0, 1}});  // a tackle that takes the ball
    m.frame(0, 0, 0, 0, {{'l', 4, 0x1001, 0, 0, 1}});  // still shown as tackling
    m.frame(0, 0, 0, 0, {{'r', 6, 0x2001, 0, 0, 1}});  // a failed one
    m.playMode("foul_charge_r");
    m.quiet(0, 3);
    m.playMode("free_kick_l");
    m.quiet(0);
    m.playMode("offside_l");
    m.quiet(0, 2);
    m.playMode("play_on");
    m.frame(-40, 0, 0, 0, {{'l', 1, 0x29, -41, 0}});  // the goalie misses the catch
    m.frame(-40, 0, 0, 0, {{'r', 9, kKick}});
    const MatchStats s = m.finish();
    // The left holds the ball from the tackle on, in play, until the right's kick: 3 + 1.
    EXPECT_EQ(figures(s.left), "g0 s0 p0/0 k0 kf0 c0 cf1 t1 f0 o1 h4");
    EXPECT_EQ(figures(s.right), "g0 s0 p0/0 k1 kf0 c0 cf0 t1 f1 o0 h1");
}

TEST(MatchStatsTest, StaminaViewsAndHeatAreTakenPerTeam) {
    MatchBuilder m;
    m.frame(30, 10, 0, 0,
            {{'l', 1, 0x9, -50, 0, 0, 7000, 45},
             {'l', 2, 0x1, 0, 0, 0, 5000, 90},
             {'r', 3, kKick, 30, 10, 0, 6000, 180}});
    const MatchStats s = m.finish();
    EXPECT_DOUBLE_EQ(s.left.staminaAtEnd, 6000.0);
    EXPECT_DOUBLE_EQ(s.right.staminaAtEnd, 6000.0);
    EXPECT_DOUBLE_EQ(s.viewShare(Side::kLeft, 0), 0.5);
    EXPECT_DOUBLE_EQ(s.viewShare(Side::kLeft, 1), 0.5);
    EXPECT_DOUBLE_EQ(s.viewShare(Side::kRight, 2), 1.0);
    // The right team attacks towards -x: its heat map is turned so that it attacks to the right.
    HeatMap expected;
    expected.add(-30, -10);
    EXPECT_EQ(s.right.possessionHeat.cells, expected.cells);
    EXPECT_EQ(s.left.possessionHeat.cells, HeatMap{}.cells);
}

TEST(MatchStatsTest, HeatMapKeepsBallsBeyondTheLinesInTheEdgeCells) {
    HeatMap heat;
    heat.add(-60, -40);
    heat.add(52.5, 34);
    heat.add(0.1, 0.1);
    EXPECT_EQ(heat.at(0, 0), 1);
    EXPECT_EQ(heat.at(kHeatColumns - 1, kHeatRows - 1), 1);
    EXPECT_EQ(heat.at(kHeatColumns / 2, kHeatRows / 2), 1);
}

TEST(MatchStatsTest, TheRealSampleAgreesWithTheCommandCounts) {
    gamelog::GameLogReader reader;
    ASSERT_TRUE(reader.open(test::dataPath("zamo-selfplay.rcg.gz"))) << reader.error();
    std::optional<MatchStatsCollector> collector;
    // Successful kicks counted from the server's kick counts, independently of the state bits.
    std::map<std::pair<int, int>, int> lastKickCount;
    int countedKicks[2] = {0, 0};
    while (reader.next()) {
        if (!collector) {
            collector.emplace(reader.decoder().serverParams());
        }
        collector->add(reader.frame());
        for (const gamelog::Player& p : reader.frame().players) {
            const int side = p.side == Side::kLeft ? 0 : 1;
            int& last = lastKickCount[{side, p.number}];
            countedKicks[side] += p.counts.kick - last;
            last = p.counts.kick;
        }
    }
    ASSERT_TRUE(collector.has_value());
    const MatchStats s = collector->finish();
    EXPECT_EQ(s.left.name, "Zamo_Left");
    EXPECT_EQ(s.left.goals, 0);
    EXPECT_EQ(s.right.goals, 1);
    EXPECT_EQ(s.left.kicks, countedKicks[0]);
    EXPECT_EQ(s.right.kicks, countedKicks[1]);
    EXPECT_EQ(s.left.kickFaults + s.right.kickFaults, 27);
    EXPECT_GE(s.right.shotsOnGoal, 1) << "the goal's kick";
    EXPECT_EQ(s.lastCycle, 600);
    for (const TeamStats* t : {&s.left, &s.right}) {
        EXPECT_GT(t->passesAttempted, 0);
        EXPECT_LE(t->passesCompleted, t->passesAttempted);
    }
    EXPECT_NEAR(s.possessionShare(Side::kLeft) + s.possessionShare(Side::kRight), 1.0, 1e-9);
    EXPECT_LE(s.opponentHalfShare(Side::kLeft) + s.opponentHalfShare(Side::kRight), 1.0);
    EXPECT_NEAR(
        s.viewShare(Side::kLeft, 0) + s.viewShare(Side::kLeft, 1) + s.viewShare(Side::kLeft, 2),
        1.0, 1e-9);
}

}  // namespace
}  // namespace zamo::stats
