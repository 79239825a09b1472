#include "monitor/replay_cursor.h"

#include <limits>

#include <gtest/gtest.h>

namespace zamo::monitor {
namespace {

TEST(ReplayCursorTest, StepsAndJumpsStayWithinTheLogAndPause) {
    ReplayCursor c(10);
    EXPECT_EQ(c.index(), 0);
    c.step(-1);
    EXPECT_EQ(c.index(), 0);
    c.step(3);
    EXPECT_EQ(c.index(), 3);
    c.play();
    c.step(1);
    EXPECT_FALSE(c.playing());
    EXPECT_EQ(c.index(), 4);
    c.seek(100);
    EXPECT_EQ(c.index(), 9);
    EXPECT_TRUE(c.atEnd());
    c.seek(-5);
    EXPECT_EQ(c.index(), 0);
    // An empty log has nowhere to go and never plays.
    ReplayCursor none(0);
    none.step(1);
    none.play();
    EXPECT_EQ(none.index(), 0);
    EXPECT_FALSE(none.playing());
    EXPECT_FALSE(none.advance(1000.0));
}

TEST(ReplayCursorTest, PlayingMovesOneFramePerCycleTimesTheSpeed) {
    ReplayCursor c(1000);
    EXPECT_FALSE(c.advance(500.0));  // paused
    c.play();
    EXPECT_FALSE(c.advance(60.0));
    EXPECT_TRUE(c.advance(60.0));  // the rest of the first 60 ms carried over
    EXPECT_EQ(c.index(), 1);
    c.faster();
    c.faster();
    EXPECT_EQ(c.speed(), 4);
    EXPECT_TRUE(c.advance(100.0));
    EXPECT_EQ(c.index(), 5);
    c.faster();
    c.faster();
    EXPECT_EQ(c.speed(), 8);
    c.slower();
    EXPECT_EQ(c.speed(), 4);
    c.setSpeed(3);
    EXPECT_EQ(c.speed(), 2);
    c.setSpeed(100);
    EXPECT_EQ(c.speed(), 8);
    c.setSpeed(0);
    EXPECT_EQ(c.speed(), 1);
    // Time that is no time moves nothing.
    EXPECT_FALSE(c.advance(-50.0));
    EXPECT_FALSE(c.advance(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_EQ(c.index(), 5);
}

TEST(ReplayCursorTest, PlayStopsAtTheEndAndStartsOverFromThere) {
    ReplayCursor c(20);
    c.seek(18);
    c.play();
    EXPECT_TRUE(c.advance(1e12));  // a long stall: straight to the last frame, no overflow
    EXPECT_EQ(c.index(), 19);
    EXPECT_FALSE(c.playing());
    c.togglePlay();
    EXPECT_TRUE(c.playing());
    EXPECT_EQ(c.index(), 0);
    c.togglePlay();
    EXPECT_FALSE(c.playing());
}

}  // namespace
}  // namespace zamo::monitor
