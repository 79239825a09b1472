#include "agent/runtime/cycle_stats.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/temp_dir.h"

namespace zamo {
namespace {

using namespace std::chrono_literals;

TEST(LatencyHistogram, PercentilesComeFromWholeMicrosecondsRoundedUp) {
    LatencyHistogram h;
    EXPECT_EQ(h.percentileUs(0.5), 0);
    EXPECT_EQ(h.count(), 0);

    // 98 short passes, one of 700 us and one of 900 us: the 99th percentile is the 99th pass.
    for (int i = 0; i < 98; ++i) {
        h.record(std::chrono::nanoseconds(1500 + i));  // 2 us rounded up
    }
    h.record(700us);
    h.record(900us);
    EXPECT_EQ(h.count(), 100);
    EXPECT_EQ(h.percentileUs(0.5), 2);
    EXPECT_EQ(h.percentileUs(0.99), 700);
    EXPECT_EQ(h.percentileUs(1.0), 900);
    EXPECT_EQ(h.percentileUs(0.0), 2);
    EXPECT_EQ(h.maxUs(), 900);

    LatencyHistogram one;
    one.record(1ns);
    EXPECT_EQ(one.percentileUs(0.99), 1);
}

TEST(LatencyHistogram, DurationsBeyondTheBucketsReportTheMaximum) {
    LatencyHistogram h;
    h.record(3us);
    h.record(25ms);
    h.record(std::chrono::microseconds(kLatencyBuckets));
    EXPECT_EQ(h.percentileUs(0.34), 25000);
    EXPECT_EQ(h.percentileUs(0.5), 25000);
    EXPECT_EQ(h.maxUs(), 25000);
    // A clock that stepped back gives no negative time.
    h.record(-5us);
    EXPECT_EQ(h.percentileUs(0.25), 0);
}

TEST(CycleStats, SummaryTakesLatencyAndProcessorTimeApartAndCountsCommands) {
    CycleStats stats;
    EXPECT_EQ(stats.summary().cyclesPlayed, 0);
    stats.recordPass(10us, 8us, false);
    stats.recordPass(1500us, 20us, true);  // waited for the processor
    stats.recordLateCycle(3);
    stats.recordPass(12us, 9us, false);
    stats.recordLateCycle(2);
    stats.recordPass(11us, 9us, true);
    stats.recordReaction(40us);
    stats.recordReaction(90us);
    stats.recordReaction(3ms);
    const CycleStatsSummary s = stats.summary();
    EXPECT_EQ(s.cyclesPlayed, 4);
    EXPECT_EQ(s.latencyP50Us, 11);
    EXPECT_EQ(s.latencyP99Us, 1500);
    EXPECT_EQ(s.latencyMaxUs, 1500);
    EXPECT_EQ(s.cpuP99Us, 20);
    EXPECT_EQ(s.cpuMaxUs, 20);
    EXPECT_EQ(s.cyclesWithoutBodyCommand, 2);
    EXPECT_EQ(s.lateCommands, 5);
    EXPECT_EQ(s.lateCycles, 2);
    EXPECT_EQ(s.reactionP50Us, 90);
    EXPECT_EQ(s.reactionP99Us, 3000);
    EXPECT_EQ(s.reactionMaxUs, 3000);
}

TEST(CycleStats, FileHoldsOneKeyValueLineEach) {
    // In the order of the fields, which is the order of the lines.
    const CycleStatsSummary s{612, 4, 180, 950, 120, 400, 31, 1, 60, 310, 2200, 2};
    const test::TempDir dir;
    const auto path = dir.path() / "p1.stats";
    ASSERT_TRUE(writeStatsFile(path.string(), s));
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(),
              "cycles_played 612\n"
              "think_latency_p50_us 4\n"
              "think_latency_p99_us 180\n"
              "think_latency_max_us 950\n"
              "think_cpu_p99_us 120\n"
              "think_cpu_max_us 400\n"
              "cycles_without_body_command 31\n"
              "late_commands 1\n"
              "reaction_p50_us 60\n"
              "reaction_p99_us 310\n"
              "reaction_max_us 2200\n"
              "late_cycles 2\n");
    EXPECT_FALSE(std::filesystem::exists(path.string() + ".part"));

    EXPECT_FALSE(writeStatsFile((dir.path() / "missing" / "p1.stats").string(), s));
    EXPECT_FALSE(writeStatsFile("", s));
    // A folder in the way: the rename fails and no temporary file is left behind.
    std::filesystem::create_directory(dir.path() / "folder");
    EXPECT_FALSE(writeStatsFile((dir.path() / "folder").string(), s));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "folder.part"));
}

}  // namespace
}  // namespace zamo
