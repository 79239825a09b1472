#include "launcher/launch_sequence.h"

#include <vector>

#include <gtest/gtest.h>

#include "launcher/launch_plan.h"
#include "launcher_test_support.h"

namespace zamo {
namespace {

using test::processEventsUntil;
using test::RecordingStarter;

// Timers never fire early; the upper bound only allows for a busy machine.
constexpr qint64 kLateness = 400;

TEST(LaunchSequenceTest, FailedStartIsSkippedWithoutTheWait) {
    const std::vector<StartRequest> plan = {
        startRequestFor("/a/server"), startRequestFor("/a/monitor"), startRequestFor("/a/three"),
        startRequestFor("/a/seven")};
    RecordingStarter starter;
    starter.failing.insert("/a/monitor");
    LaunchSequence sequence(starter);
    int finished = 0;
    QObject::connect(&sequence, &LaunchSequence::finished, [&] { ++finished; });
    constexpr int kWait = 150;
    ASSERT_TRUE(sequence.run(plan, kWait));
    ASSERT_TRUE(processEventsUntil([&] { return finished > 0; }, 5000));
    EXPECT_EQ(finished, 1);
    ASSERT_EQ(starter.calls.size(), 4U);
    EXPECT_EQ(starter.calls[3].request.program, "/a/seven");
    const auto gap = [&](std::size_t i) {
        return starter.calls[i].atMs - starter.calls[i - 1].atMs;
    };
    EXPECT_GE(gap(1), kWait);
    EXPECT_LT(gap(1), kWait + kLateness);
    // The monitor failed: the next program follows at once.
    EXPECT_LT(gap(2), kWait / 2);
    EXPECT_GE(gap(3), kWait);
}

TEST(LaunchSequenceTest, ASecondRunWaitsForTheFirstToEnd) {
    RecordingStarter starter;
    LaunchSequence sequence(starter);
    const std::vector<StartRequest> plan = {startRequestFor("/a/one"), startRequestFor("/a/two")};
    ASSERT_TRUE(sequence.run(plan, 100));
    EXPECT_TRUE(sequence.running());
    EXPECT_FALSE(sequence.run({startRequestFor("/a/other")}, 0));
    ASSERT_TRUE(processEventsUntil([&] { return !sequence.running(); }, 5000));
    ASSERT_EQ(starter.calls.size(), 2U);
    EXPECT_EQ(starter.calls[1].request.program, "/a/two");
    // When every start fails there is nothing to wait for: the run ends at once.
    starter.failing = {"/a/one", "/a/two"};
    EXPECT_TRUE(sequence.run(plan, 60000));
    EXPECT_FALSE(sequence.running());
    EXPECT_EQ(starter.calls.size(), 4U);
}

}  // namespace
}  // namespace zamo
