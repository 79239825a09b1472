// Our team against itself on the real simulator server in auto mode: the same match and the same
// requirements as on the practice server, judged by the server's own game log; and how often
// the server found our kicks at a ball out of reach.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "gamelog/game_log_reader.h"
#include "real_server/game_log_tally.h"
#include "support/match_record.h"
#include "support/real_server.h"
#include "support/show_watcher.h"
#include "support/team_match.h"
#include "support/temp_dir.h"

namespace zamo {
namespace {

using namespace std::chrono_literals;

constexpr int kHalfCycles = 300;

TEST(RealServerMatchTest, TwoTeamsOfElevenPlayAMatchAndKickWhatTheyCanReach) {
    const auto program = test::realServerProgram();
    if (!program) {
        GTEST_SKIP() << test::kNoRealServer;
    }
    if (!test::agentProgramBuilt()) {
        GTEST_SKIP() << "ZamoSoccer is not built";
    }
    test::TempDir dir;
    test::RealServer server;
    test::RealServerOptions options;
    options.halfCycles = kHalfCycles;
    options.gameLogDir = dir.path();
    ASSERT_TRUE(server.start(*program, options)) << server.standardOutput();
    // The game log has no picture from before the kick-off; a watcher sees where the players
    // were placed for it.
    test::ShowWatcher watcher;
    ASSERT_TRUE(watcher.start(server.port()));
    test::TeamMatch match(dir.path());
    ASSERT_TRUE(match.start(server.port()));

    // Auto mode kicks off once all 22 have registered and ends the match by itself.
    ASSERT_EQ(server.waitForExit(150s), 0) << server.standardOutput();
    match.expectAllRunning();
    match.stop();

    test::MatchRecord record = test::analyseGameLog(server.gameLogPath());
    record.placeAtKickOff = watcher.placesBeforeKickOff();
    match.expectPlayed(record, 10, test::TeamMatch::Placing::kCentreCircleCleared);
    match.expectStatistics(2 * kHalfCycles);

    // The server flags each kick at a ball out of the kicker's reach.
    std::string error;
    const std::optional<test::MatchTally> tally = test::tallyGameLog(server.gameLogPath(), error);
    ASSERT_TRUE(tally.has_value()) << error;
    const int commands = tally->left.kickCommands + tally->right.kickCommands;
    const int faults = tally->left.kickFaults + tally->right.kickFaults;
    EXPECT_LT(faults * 20, commands) << faults << " kick faults of " << commands << " kicks";
    std::printf("real server: %d kicks, %d kick faults, %d of %d catches failed, score %d - %d\n",
                commands, faults, tally->left.catchFaults + tally->right.catchFaults,
                tally->left.catchCommands + tally->right.catchCommands, tally->left.goals,
                tally->right.goals);
}

}  // namespace
}  // namespace zamo
