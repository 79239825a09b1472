// Our team against itself on the real simulator server: the same match and the same
// requirements as on the practice server, judged by the server's own game log; and how often
// the server found our kicks at a ball out of reach.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "gamelog/game_log_reader.h"
#include "real_server/game_log_tally.h"
#include "support/real_server.h"
#include "support/team_match.h"
#include "support/temp_dir.h"

namespace zamo {
namespace {

using namespace std::chrono_literals;

constexpr int kHalfCycles = 300;

// The game log in the team's own frame. The server writes no frame before the kick-off, so the
// moves come from the players' commands it records as messages ("Recv Zamo_Left_3: (move x y)").
test::MatchSummary summarise(const gamelog::GameLog& log) {
    test::MatchSummary summary;
    std::size_t kickOff = log.frames.size();
    for (std::size_t i = 0; i < log.frames.size(); ++i) {
        const std::string_view mode = gamelog::playModeName(log.frames[i].playMode);
        if (kickOff == log.frames.size() && mode.starts_with("kick_off_")) {
            kickOff = i;
        } else if (kickOff < i && summary.modeAfterKickOff.empty() &&
                   !mode.starts_with("kick_off_")) {
            summary.modeAfterKickOff = mode;
        }
    }
    summary.kickedOff = kickOff < log.frames.size();
    if (!summary.kickedOff) {
        return summary;
    }
    const gamelog::Frame& kickedOff = log.frames[kickOff];
    for (const gamelog::Player& p : kickedOff.players) {
        if (p.onField()) {
            const bool left = p.side == gamelog::Side::kLeft;
            summary.players.push_back({left ? kickedOff.teams.left : kickedOff.teams.right,
                                       p.has(gamelog::kStateGoalie), left ? 'l' : 'r', p.number});
        }
    }
    for (const gamelog::Message& message : log.messages) {
        const std::string& text = message.text;
        const std::size_t colon = text.find(": (move ");
        const std::size_t numberAt = text.rfind('_', colon);
        test::FieldPoint move;
        if (message.cycle != 0 || !text.starts_with("Recv ") || colon == std::string::npos ||
            numberAt == std::string::npos ||
            std::sscanf(text.c_str() + colon, ": (move %lf %lf)", &move.x, &move.y) != 2) {
            continue;
        }
        const std::string team = text.substr(5, numberAt - 5);
        summary.placeBeforeKickOff[{team, std::atoi(text.c_str() + numberAt + 1)}] = move;
    }
    for (const gamelog::Player& p : log.frames.back().players) {
        summary.kicks += p.counts.kick;
    }
    return summary;
}

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
    options.extra = {"server::record_messages=true"};
    ASSERT_TRUE(server.start(*program, options)) << server.standardOutput();
    test::SelfPlay teams(dir.path());
    ASSERT_TRUE(teams.startTeams(server.port()));

    // Auto mode kicks off once all 22 have registered and ends the match by itself.
    ASSERT_EQ(server.waitForExit(150s), 0) << server.standardOutput();
    teams.expectEveryoneStayedThenStop();

    std::string error;
    const std::optional<gamelog::GameLog> log = gamelog::readGameLog(server.gameLogPath(), error);
    ASSERT_TRUE(log.has_value()) << error;
    const test::MatchSummary summary = summarise(*log);
    test::expectMatchPlayed(summary);
    teams.expectStatistics(kHalfCycles);

    // The server flags each kick at a ball out of the kicker's reach.
    const test::MatchTally tally = test::tallyMatch(*log);
    const int commands = tally.left.kickCommands + tally.right.kickCommands;
    const int faults = tally.left.kickFaults + tally.right.kickFaults;
    EXPECT_LT(faults * 20, commands) << faults << " kick faults of " << commands << " kicks";
    std::printf("real server: %d kicks, %d kick faults, %d of %d catches failed, score %d - %d\n",
                commands, faults, tally.left.catchFaults + tally.right.catchFaults,
                tally.left.catchCommands + tally.right.catchCommands, tally.left.goals,
                tally.right.goals);
}

}  // namespace
}  // namespace zamo
