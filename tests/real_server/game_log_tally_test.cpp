// Counting commands and their faults from the server's per-cycle state flags and counters.
#include "real_server/game_log_tally.h"

#include <gtest/gtest.h>

namespace zamo::test {
namespace {

using gamelog::Frame;
using gamelog::Player;
using gamelog::Side;

// A log of one player per team, left 7 and right 4; frames are added cycle by cycle.
class TallyTest : public ::testing::Test {
  protected:
    TallyTest() { log.serverParams.values = {{"ball_decay", "0.94"}, {"goal_width", "14.02"}}; }

    Frame& frame() {
        Frame f;
        f.cycle = static_cast<int>(log.frames.size()) + 1;
        f.teams.left = "Ours";
        f.teams.right = "Theirs";
        Player left;
        left.side = Side::kLeft;
        left.number = 7;
        Player right = left;
        right.side = Side::kRight;
        right.number = 4;
        if (!log.frames.empty()) {
            left = *log.frames.back().find(Side::kLeft, 7);
            right = *log.frames.back().find(Side::kRight, 4);
        }
        left.state = right.state = gamelog::kStateStand;
        f.players = {left, right};
        log.frames.push_back(f);
        return log.frames.back();
    }
    Player& left() { return log.frames.back().players[0]; }
    Player& right() { return log.frames.back().players[1]; }

    gamelog::GameLog log;
};

TEST_F(TallyTest, CommandsAreCarriedOutOrFlaggedAsFaults) {
    frame();
    frame();
    left().counts.kick = 1;  // a kick
    frame();
    left().state |= gamelog::kStateKickFault;  // a kick at a ball out of reach
    frame();
    left().state |= gamelog::kStateKickFault;  // and another
    right().counts.catchBall = 1;              // a catch missed by chance still counts
    right().state |= gamelog::kStateCatchFault;
    frame();
    right().state |= gamelog::kStateCatchFault;  // a catch out of the area does not
    left().counts.tackle = 1;
    left().state |= gamelog::kStateTackle | gamelog::kStateTackleFault;
    // The tackle flags stay up while the tackler is frozen.
    for (int i = 0; i < 3; ++i) {
        frame();
        left().state |= gamelog::kStateTackle | gamelog::kStateTackleFault;
    }
    const MatchTally tally = tallyMatch(log);
    EXPECT_EQ(tally.frames, 8);
    EXPECT_EQ(tally.left.name, "Ours");
    EXPECT_EQ(tally.left.kickCommands, 3);
    EXPECT_EQ(tally.left.kickFaults, 2);
    EXPECT_EQ(tally.left.tackleCommands, 1);
    EXPECT_EQ(tally.left.tackleFaults, 1);
    EXPECT_EQ(tally.right.catchCommands, 2);
    EXPECT_EQ(tally.right.catchFaults, 2);
    EXPECT_EQ(tally.right.kickCommands, 0);
    EXPECT_EQ(&tally.team("Theirs"), &tally.right);
}

TEST_F(TallyTest, AShotOnGoalIsAKickThatRollsBetweenThePosts) {
    frame();
    // 10 m out, 2.0 m/cycle: the ball rolls 33 m, crossing the line at y = 1 + 0.1 * 10.
    left().counts.kick = 1;
    log.frames.back().ball = {{42.5, 1.0}, {2.0, 0.2}};
    frame();
    // Wide of the post.
    left().counts.kick = 2;
    log.frames.back().ball = {{42.5, 1.0}, {2.0, 1.5}};
    frame();
    // Too slow to get there: 0.5 m/cycle rolls about 8.3 m.
    left().counts.kick = 3;
    log.frames.back().ball = {{42.5, 0.0}, {0.5, 0.0}};
    frame();
    // From close range the ball is in the goal when the frame shows it.
    left().counts.kick = 4;
    log.frames.back().ball = {{53.0, 2.0}, {1.5, 0.0}};
    frame();
    // The other team shoots at the left goal; a rolling ball nobody kicked is no shot.
    right().counts.kick = 1;
    log.frames.back().ball = {{-45.0, -3.0}, {-1.5, 0.0}};
    frame();
    log.frames.back().ball = {{-45.0, -3.0}, {-1.5, 0.0}};
    // A tackle can shoot too.
    frame();
    right().counts.tackle = 1;
    log.frames.back().ball = {{-20.0, 0.0}, {-2.8, 0.3}};
    const MatchTally tally = tallyMatch(log);
    EXPECT_EQ(tally.left.shotsOnGoal, 2);
    EXPECT_EQ(tally.right.shotsOnGoal, 2);
}

}  // namespace
}  // namespace zamo::test
