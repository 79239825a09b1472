// Our team against itself on the real simulator server: the same match and the same requirements
// as on the practice server, judged by the server's own game log. In auto mode the server plays
// in real time; in its synchronous mode it steps as soon as all 22 players have answered
// "(done)", so a whole match takes seconds rather than minutes.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "real_server/game_log_tally.h"
#include "support/match_record.h"
#include "support/real_server.h"
#include "support/show_watcher.h"
#include "support/team_match.h"
#include "support/temp_dir.h"

namespace zamo {
namespace {

using namespace std::chrono_literals;

class RealMatchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        program = test::realServerProgram();
        if (!program) {
            GTEST_SKIP() << test::kNoRealServer;
        }
        if (!test::agentProgramBuilt()) {
            GTEST_SKIP() << "ZamoSoccer is not built";
        }
    }

    // Plays a match of both teams to the server's end of it, checks it as the practice server's
    // match is checked, and keeps the players' statistics and the tally of the game log.
    void playMatch(test::RealServerOptions options, std::chrono::seconds timeout) {
        options.gameLogDir = dir.path();
        ASSERT_TRUE(server.start(*program, options)) << server.standardOutput();
        // The game log has no picture from before the kick-off; a watcher sees where the players
        // were placed for it.
        test::ShowWatcher watcher;
        ASSERT_TRUE(watcher.start(server.port()));
        test::TeamMatch match(dir.path());
        const auto started = std::chrono::steady_clock::now();
        ASSERT_TRUE(match.start(server.port()));
        const auto registered = std::chrono::steady_clock::now();
        ASSERT_EQ(server.waitForExit(timeout), 0) << server.standardOutput();
        const auto ended = std::chrono::steady_clock::now();
        wallSeconds = std::chrono::duration<double>(ended - started).count();
        playSeconds = std::chrono::duration<double>(ended - registered).count();
        match.expectAllRunning();
        match.stop();

        test::MatchRecord record = test::analyseGameLog(server.gameLogPath());
        record.placeAtKickOff = watcher.placesBeforeKickOff();
        match.expectPlayed(record, 10, test::TeamMatch::Placing::kCentreCircleCleared);
        stats = match.expectStatistics(2 * options.halfCycles);
        std::string error;
        const std::optional<test::MatchTally> tallied =
            test::tallyGameLog(server.gameLogPath(), error);
        ASSERT_TRUE(tallied.has_value()) << error;
        tally = *tallied;
        // The server's closing report and its game log tell the same score.
        EXPECT_EQ(server.finalScore(), std::make_pair(tally.left.goals, tally.right.goals))
            << server.standardOutput();
    }

    std::optional<std::string> program;
    test::TempDir dir;
    test::RealServer server;
    std::vector<test::PlayerStats> stats;
    test::MatchTally tally;
    double wallSeconds = 0.0;
    double playSeconds = 0.0;
};

TEST_F(RealMatchTest, InAutoModeTwoTeamsOfElevenPlayAMatchAndKickWhatTheyCanReach) {
    test::RealServerOptions options;
    options.halfCycles = 300;
    // Auto mode kicks off once all 22 have registered and ends the match by itself.
    ASSERT_NO_FATAL_FAILURE(playMatch(options, 150s));

    // The server flags each kick at a ball out of the kicker's reach.
    const int commands = tally.left.kickCommands + tally.right.kickCommands;
    const int faults = tally.left.kickFaults + tally.right.kickFaults;
    EXPECT_LT(faults * 20, commands) << faults << " kick faults of " << commands << " kicks";
    std::printf("real server: %d kicks, %d kick faults, %d of %d catches failed, score %d - %d\n",
                commands, faults, tally.left.catchFaults + tally.right.catchFaults,
                tally.left.catchCommands + tally.right.catchCommands, tally.left.goals,
                tally.right.goals);
}

TEST_F(RealMatchTest, InSynchronousModeTwoHalvesOf500CyclesTakeUnderAMinute) {
    test::RealServerOptions options;
    options.halfCycles = 500;
    options.synchMode = true;
    ASSERT_NO_FATAL_FAILURE(playMatch(options, 120s));

    // Starting 22 players one after another takes its own time, the same in either mode; the
    // match itself must not.
    EXPECT_LT(wallSeconds, 60.0);
    std::printf(
        "synchronous real-server match: %.1f s from the first player's start, of it %.1f s "
        "after all had registered; score %d - %d\n",
        wallSeconds, playSeconds, tally.left.goals, tally.right.goals);
    for (const test::PlayerStats& player : stats) {
        EXPECT_EQ(player["late_cycles"], 0) << player.who;
    }
}

}  // namespace
}  // namespace zamo
