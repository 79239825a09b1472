#include "agent/perception/cycle_timer.h"

#include <gtest/gtest.h>

#include "agent/config/missing_values.h"
#include "agent/config/server_params.h"
#include "agent/perception/clock.h"
#include "agent/perception/self_state.h"

namespace zamo {
namespace {

class CycleTimerTest : public ::testing::Test {
  protected:
    ServerParams params;
    SelfState self;
    Clock clock;
    CycleTimer timer{params, self, clock};
};

TEST_F(CycleTimerTest, BodySenseStartsTheCycleAndDecidesWhetherToWaitForTheVisual) {
    // Normal width, last visual message 40 ms into the previous cycle: the next one is due at
    // 90 ms, too late to wait for.
    timer.seeOffset = 40;
    timer.onBody(17);
    EXPECT_EQ(clock.cycle, 17);
    EXPECT_TRUE(timer.bodyArrived);
    EXPECT_EQ(timer.seeOffset, -60);
    EXPECT_FALSE(timer.syncSee);
    EXPECT_EQ(timer.chooseSyncWidth(), 0);

    // Narrow width: due at -60 - 100 + 75 = -85 ms, which is early enough.
    self.viewWidth = 0;
    timer.onBody(18);
    EXPECT_EQ(timer.seeOffset, -160);
    EXPECT_TRUE(timer.syncSee);

    // A width code outside 0..2 expects the visual message at once.
    self.viewWidth = 7;
    timer.seeOffset = 120;
    timer.onBody(19);
    EXPECT_TRUE(timer.syncSee);  // 20 + 0 < 75
}

TEST_F(CycleTimerTest, VisualMessageIsTimedFromTheBodySensesArrival) {
    const auto body = std::chrono::steady_clock::now();
    timer.onBody(1, body);
    timer.syncSee = true;
    timer.onSee(body + std::chrono::milliseconds(37));
    EXPECT_FALSE(timer.syncSee);
    EXPECT_EQ(timer.seeOffset, 37);
    EXPECT_EQ(timer.decisionDeadline(), body + std::chrono::milliseconds(75));
}

// In synchronous mode the server steps when everyone is done: a visual message belongs to the
// cycle it came in, from its start, and nothing is waited for.
TEST_F(CycleTimerTest, SynchronousModeTimesByCyclesNotByTheClock) {
    timer.synchronous = true;
    const auto body = std::chrono::steady_clock::now();
    timer.onBody(1, body);
    timer.onSee(body + std::chrono::milliseconds(80));
    EXPECT_EQ(timer.seeOffset, 0);
    self.viewWidth = 0;
    timer.onBody(2, body + std::chrono::seconds(1));
    EXPECT_FALSE(timer.syncSee);  // narrow would have come in time in real time
    EXPECT_EQ(timer.seeOffset, -100);
    EXPECT_EQ(timer.chooseSyncWidthAhead(), 1);
}

TEST_F(CycleTimerTest, SyncWidthsPickTheWidestWidthThatArrivesBeforeTheDeadline) {
    timer.seeOffset = -226;  // -226 + 300 = 74 < 75
    EXPECT_EQ(timer.chooseSyncWidth(), 2);
    timer.seeOffset = -225;  // 75 is not below 75
    EXPECT_EQ(timer.chooseSyncWidth(), 1);
    timer.seeOffset = -60;
    EXPECT_EQ(timer.chooseSyncWidth(), 0);
    timer.seeOffset = 0;
    EXPECT_EQ(timer.chooseSyncWidth(), kNoViewWidth);
    // Ahead of the next body sense the offset is 100 ms further back.
    timer.seeOffset = 40;
    EXPECT_EQ(timer.chooseSyncWidthAhead(), 0);
    timer.seeOffset = -20;
    EXPECT_EQ(timer.chooseSyncWidthAhead(), 1);
}

TEST_F(CycleTimerTest, ViewWidthChoiceKeepsVisualMessagesWithinTheCycle) {
    timer.seeOffset = -195;  // wide still arrives by 105 ms
    EXPECT_EQ(timer.chooseViewWidth(1), kNoViewWidth);
    EXPECT_EQ(timer.chooseViewWidth(3), 3);  // no rule applies to an unknown width but the last
    timer.seeOffset = -45;                   // normal arrives exactly at 105
    EXPECT_EQ(timer.chooseViewWidth(1), 2);
    EXPECT_EQ(timer.chooseViewWidth(2), 2);
    timer.seeOffset = 30;  // only narrow arrives in time
    EXPECT_EQ(timer.chooseViewWidth(0), 1);
    EXPECT_EQ(timer.chooseViewWidth(1), 1);
    timer.seeOffset = 31;
    EXPECT_EQ(timer.chooseViewWidth(0), 0);
}

TEST_F(CycleTimerTest, SynchronousVisualMessagesAreDueByTheCyclesOfTheirWidth) {
    // Narrow: every cycle, and not twice in one.
    EXPECT_TRUE(CycleTimer::synchSeeDue(11, 0, 10));
    EXPECT_FALSE(CycleTimer::synchSeeDue(10, 0, 10));
    // Normal: every second cycle; wide: every third.
    EXPECT_FALSE(CycleTimer::synchSeeDue(11, 1, 10));
    EXPECT_TRUE(CycleTimer::synchSeeDue(12, 1, 10));
    EXPECT_FALSE(CycleTimer::synchSeeDue(12, 2, 10));
    EXPECT_TRUE(CycleTimer::synchSeeDue(13, 2, 10));
    // Nothing seen yet, a width unknown, or a see from a later cycle (a new connection): the
    // message is waited for rather than missed.
    EXPECT_TRUE(CycleTimer::synchSeeDue(1, 2, kNoTime));
    EXPECT_TRUE(CycleTimer::synchSeeDue(11, 3, 10));
    EXPECT_TRUE(CycleTimer::synchSeeDue(3, 2, 200));
}

}  // namespace
}  // namespace zamo
