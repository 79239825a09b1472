#include "agent/runtime/auto_reset_event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace zamo {
namespace {

using namespace std::chrono_literals;

TEST(AutoResetEventTest, OneSignalWakesOneWaitAndResetsItself) {
    AutoResetEvent event;
    EXPECT_FALSE(event.waitFor(1ms));
    event.signal();
    event.signal();  // signals given while nobody waits collapse into one
    EXPECT_TRUE(event.waitFor(1ms));
    EXPECT_FALSE(event.waitFor(1ms));
    event.signal();
    event.reset();
    EXPECT_FALSE(event.waitFor(1ms));
}

TEST(AutoResetEventTest, WakesAWaiterOnAnotherThreadAndTimesOutWithoutOne) {
    AutoResetEvent event;
    std::atomic<int> woken{0};
    std::thread waiter([&] {
        if (event.waitFor(5s)) {
            ++woken;
        }
    });
    std::this_thread::sleep_for(20ms);
    event.signal();
    waiter.join();
    EXPECT_EQ(woken.load(), 1);

    const auto before = std::chrono::steady_clock::now();
    EXPECT_FALSE(event.waitFor(30ms));
    EXPECT_GE(std::chrono::steady_clock::now() - before, 30ms);
}

}  // namespace
}  // namespace zamo
