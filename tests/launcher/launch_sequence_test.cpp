#include "launcher/launch_sequence.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "launcher/launch_plan.h"
#include "launcher/launch_settings.h"
#include "launcher_test_support.h"

namespace zamo {
namespace {

using test::processEventsUntil;
using test::RecordingStarter;

// Timers never fire early; the upper bound only allows for a busy machine.
constexpr qint64 kLateness = 400;

TEST(LaunchSequenceTest, PlayersOneAndElevenStartFiveHundredMillisecondsApart) {
    const LaunchSettings settings = defaultLaunchSettings("/srv/team");
    LaunchSelection selection;
    selection.players[0] = true;
    selection.players[10] = true;
    RecordingStarter starter;
    LaunchSequence sequence(starter);
    ASSERT_TRUE(sequence.run(buildLaunchPlan(settings, selection), settings.waitInterval));
    ASSERT_EQ(starter.calls.size(), 1U);
    ASSERT_TRUE(processEventsUntil([&] { return !sequence.running(); }, 5000));
    ASSERT_EQ(starter.calls.size(), 2U);
    EXPECT_EQ(starter.calls[0].request.arguments[3], "1");
    EXPECT_EQ(starter.calls[1].request.arguments[3], "11");
    const qint64 gap = starter.calls[1].atMs - starter.calls[0].atMs;
    EXPECT_GE(gap, 500);
    EXPECT_LT(gap, 500 + kLateness);
}

TEST(LaunchSequenceTest, FailedStartIsSkippedWithoutTheWait) {
    LaunchSettings settings = defaultLaunchSettings("/srv/team");
    LaunchSelection selection;
    selection.server = true;
    selection.monitor = true;
    selection.players[2] = true;
    selection.players[6] = true;
    RecordingStarter starter;
    starter.failing.insert(settings.monitorPath);
    LaunchSequence sequence(starter);
    int finished = 0;
    QObject::connect(&sequence, &LaunchSequence::finished, [&] { ++finished; });
    constexpr int kWait = 150;
    ASSERT_TRUE(sequence.run(buildLaunchPlan(settings, selection), kWait));
    ASSERT_TRUE(processEventsUntil([&] { return finished > 0; }, 5000));
    EXPECT_EQ(finished, 1);

    ASSERT_EQ(starter.calls.size(), 4U);
    EXPECT_EQ(starter.calls[0].request.program, settings.serverPath);
    EXPECT_EQ(starter.calls[1].request.program, settings.monitorPath);
    EXPECT_EQ(starter.calls[2].request.arguments[3], "3");
    EXPECT_EQ(starter.calls[3].request.arguments[3], "7");
    const auto gap = [&](std::size_t i) {
        return starter.calls[i].atMs - starter.calls[i - 1].atMs;
    };
    EXPECT_GE(gap(1), kWait);
    EXPECT_LT(gap(1), kWait + kLateness);
    // The monitor failed: player 3 follows at once.
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
    EXPECT_TRUE(sequence.run({startRequestFor("/a/other")}, 0));
    EXPECT_FALSE(sequence.running());
    EXPECT_EQ(starter.calls.size(), 3U);
}

TEST(LaunchSequenceTest, AllFailingEndsAtOnce) {
    RecordingStarter starter;
    starter.failing = {"/a/one", "/a/two", "/a/three"};
    LaunchSequence sequence(starter);
    ASSERT_TRUE(sequence.run(
        {startRequestFor("/a/one"), startRequestFor("/a/two"), startRequestFor("/a/three")},
        60000));
    EXPECT_FALSE(sequence.running());
    EXPECT_EQ(starter.calls.size(), 3U);
}

}  // namespace
}  // namespace zamo
