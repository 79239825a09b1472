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

TEST(CycleStats, PercentilesComeFromWholeMicrosecondsRoundedUp) {
    CycleStats stats;
    EXPECT_EQ(stats.percentileUs(0.5), 0);
    EXPECT_EQ(stats.summary().cyclesPlayed, 0);

    // 98 short passes, one of 700 us and one of 900 us: the 99th percentile is the 99th pass.
    for (int i = 0; i < 98; ++i) {
        stats.recordPass(std::chrono::nanoseconds(1500 + i), true, 0);  // 2 us rounded up
    }
    stats.recordPass(700us, true, 0);
    stats.recordPass(900us, true, 0);
    const CycleStatsSummary s = stats.summary();
    EXPECT_EQ(s.cyclesPlayed, 100);
    EXPECT_EQ(s.latencyP50Us, 2);
    EXPECT_EQ(s.latencyP99Us, 700);
    EXPECT_EQ(s.latencyMaxUs, 900);
    EXPECT_EQ(stats.percentileUs(1.0), 900);
    EXPECT_EQ(stats.percentileUs(0.0), 2);

    CycleStats one;
    one.recordPass(1ns, true, 0);
    EXPECT_EQ(one.summary().latencyP99Us, 1);
}

TEST(CycleStats, PassesBeyondTheHistogramReportTheMaximum) {
    CycleStats stats;
    stats.recordPass(3us, true, 0);
    stats.recordPass(25ms, true, 0);
    stats.recordPass(std::chrono::microseconds(kLatencyBuckets), true, 0);
    EXPECT_EQ(stats.percentileUs(0.34), 25000);
    EXPECT_EQ(stats.summary().latencyMaxUs, 25000);
    EXPECT_EQ(stats.summary().latencyP50Us, 25000);
    // A clock that stepped back gives no negative time.
    stats.recordPass(-5us, true, 0);
    EXPECT_EQ(stats.percentileUs(0.25), 0);
}

TEST(CycleStats, CountsCyclesWithoutBodyCommandAndLateCommands) {
    CycleStats stats;
    stats.recordPass(10us, false, 0);
    stats.recordPass(10us, true, 3);
    stats.recordPass(10us, false, 2);
    stats.recordPass(10us, true, 0);
    const CycleStatsSummary s = stats.summary();
    EXPECT_EQ(s.cyclesPlayed, 4);
    EXPECT_EQ(s.cyclesWithoutBodyCommand, 2);
    EXPECT_EQ(s.lateCommands, 5);
}

TEST(CycleStats, FileHoldsOneKeyValueLineEach) {
    CycleStatsSummary s;
    s.cyclesPlayed = 612;
    s.latencyP50Us = 4;
    s.latencyP99Us = 180;
    s.latencyMaxUs = 950;
    s.cyclesWithoutBodyCommand = 31;
    s.lateCommands = 1;
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
              "cycles_without_body_command 31\n"
              "late_commands 1\n");
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
