// A whole match on the real server in its synchronous mode: it steps as soon as all 22 players
// have answered "(done)", so 2 x 500 cycles take seconds rather than minutes. Its game log and
// the players' statistics must show the same match as the practice server's full match.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "support/agent_process.h"
#include "support/match_record.h"
#include "support/real_server.h"
#include "support/show_watcher.h"
#include "support/team_match.h"
#include "support/temp_dir.h"

namespace zamo {
namespace {

using namespace std::chrono_literals;

TEST(RealServerSynchMatchTest, TwoTeamsOfElevenPlayTwoHalvesOf500CyclesInUnderAMinute) {
    const auto program = test::realServerProgram();
    if (!program) {
        GTEST_SKIP() << test::kNoRealServer;
    }
    if (!test::agentProgramBuilt()) {
        GTEST_SKIP() << "ZamoSoccer is not built";
    }
    constexpr int kHalfCycles = 500;
    test::TempDir dir;
    test::RealServer server;
    test::RealServerOptions options;
    options.halfCycles = kHalfCycles;
    options.synchMode = true;
    options.gameLogDir = dir.path();
    ASSERT_TRUE(server.start(*program, options)) << server.standardOutput();
    // The game log has no picture from before the kick-off; a watcher sees where the players
    // were placed for it.
    test::ShowWatcher watcher;
    ASSERT_TRUE(watcher.start(server.port()));

    test::TeamMatch match(dir.path());
    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(match.start(server.port()));
    const auto allRegistered = std::chrono::steady_clock::now();
    ASSERT_EQ(server.waitForExit(120s), 0) << server.standardOutput();
    const auto ended = std::chrono::steady_clock::now();
    match.expectAllRunning();
    match.stop();

    // Starting 22 players one after another takes its own time, the same in either mode; the
    // match itself must not.
    const double playSeconds = std::chrono::duration<double>(ended - allRegistered).count();
    const double wallSeconds = std::chrono::duration<double>(ended - started).count();
    EXPECT_LT(wallSeconds, 60.0);
    std::printf(
        "synchronous real-server match: %.1f s from the first player's start, of it "
        "%.1f s after all had registered; score %s\n",
        wallSeconds, playSeconds,
        server.finalScore() ? (std::to_string(server.finalScore()->first) + " - " +
                               std::to_string(server.finalScore()->second))
                                  .c_str()
                            : "unknown");

    test::MatchRecord record = test::analyseGameLog(server.gameLogPath());
    record.placeAtKickOff = watcher.placesBeforeKickOff();
    match.expectPlayed(record, 10, test::TeamMatch::Placing::kCentreCircleCleared);
    for (const test::PlayerStats& stats : match.expectStatistics(2 * kHalfCycles)) {
        EXPECT_EQ(stats["late_cycles"], 0) << stats.who;
    }
}

}  // namespace
}  // namespace zamo
