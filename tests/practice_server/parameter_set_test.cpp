// The practice server's parameters and player types: what it plays with, what it tells its
// clients in each protocol form, and who gets which type at the first kick-off.
#include "tools/practice_server/parameter_set.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "agent/perception/server_param_reader.h"
#include "gamelog/gzip_text.h"
#include "support/recorded_session.h"
#include "support/test_data.h"
#include "tools/practice_server/match.h"
#include "tools/practice_server/messages.h"

namespace zamo::practice {
namespace {

constexpr std::uint32_t kLoopback = 0x7f000001;

Peer client(int n) {
    return {kLoopback, static_cast<std::uint16_t>(42000 + n)};
}

TEST(CurrentParameters, EighteenTypesSeededWithinTheTradeOffs) {
    const ServerParams p = currentParameters(7);
    // The real server told a monitor the same parameters and the same default type.
    ServerParams real;
    const std::string session = test::gzipText(test::dataPath("monitor-v5-session.tsv.gz"));
    for (const std::string& text : test::receivedTexts(session)) {
        if (!readServerParam(text, real) && !readPlayerParam(text, real)) {
            readPlayerType(text, real);
        }
    }
    // Only the drawn types differ, and the stamina capacity this server does not keep.
    std::copy(p.playerTypes.begin() + 1, p.playerTypes.end(), real.playerTypes.begin() + 1);
    real.playerTypeSent = p.playerTypeSent;
    real.staminaCapacity = p.staminaCapacity;
    EXPECT_EQ(real, p);
    double smallestMargin = 1.0;
    double largestMargin = 0.0;
    for (int id = 1; id < 18; ++id) {
        const PlayerType& t = p.playerType(id);
        EXPECT_NE(t, p.playerType(0)) << id;
        EXPECT_GE(t.playerDecay, 0.3) << id;
        EXPECT_LE(t.playerDecay, 0.5) << id;
        // The inertia follows the decay, the stamina increase the dash power rate, and so on,
        // to the six digits the server tells.
        EXPECT_NEAR(t.inertiaMoment, 5.0 + (t.playerDecay - 0.4) * 25.0, 1e-4) << id;
        EXPECT_NEAR(t.staminaIncMax, 45.0 + (t.dashPowerRate - 0.006) * -6000.0, 1e-4) << id;
        EXPECT_NEAR(t.kickRand, 0.1 + (t.kickableMargin - 0.7), 1e-4) << id;
        EXPECT_NEAR(t.effortMax, 1.0 - 0.004 * (t.extraStamina - 50.0), 1e-4) << id;
        const double settled = 100.0 * t.dashPowerRate * t.effortMax / (1.0 - t.playerDecay);
        EXPECT_GT(settled, 0.75) << id;
        EXPECT_LT(settled, 1.05 + 1e-4) << id;
        EXPECT_GE(t.catchableAreaLStretch, 1.0) << id;
        EXPECT_LE(t.catchableAreaLStretch, 1.3) << id;
        smallestMargin = std::min(smallestMargin, t.kickableMargin);
        largestMargin = std::max(largestMargin, t.kickableMargin);
    }
    EXPECT_GE(smallestMargin, 0.6);
    EXPECT_LE(largestMargin, 0.8);
    EXPECT_GT(largestMargin - smallestMargin, 0.05);
    // The seed repeats the types, another seed draws others.
    EXPECT_EQ(currentParameters(7), p);
    EXPECT_NE(currentParameters(8).playerType(3), p.playerType(3));
}

// What a client of that version believes after the parameter messages of the practice server.
ServerParams readByAgent(const ServerParams& played, double version) {
    ServerParams read;
    for (const std::string& text : parameterMessages(played, version)) {
        EXPECT_TRUE(readServerParam(text, read) || readPlayerParam(text, read) ||
                    readPlayerType(text, read))
            << text.substr(0, 60);
    }
    return read;
}

TEST(CurrentParameters, TheAgentReadsWhatThePracticeServerPlaysWith) {
    const ServerParams played = currentParameters(3);
    EXPECT_EQ(readByAgent(played, 19.0), played);
    // Before version 14 the types carry no catch stretch, as on the real server.
    ServerParams unstretched = played;
    for (PlayerType& t : unstretched.playerTypes) {
        t.catchableAreaLStretch = 1.0;
    }
    EXPECT_EQ(readByAgent(played, 9.35), unstretched);
    // Version 7 lacks the tackle values and the extra stamina, which stay the agent's own.
    ServerParams positional = unstretched;
    const ServerParams builtIn;
    positional.tackleDist = builtIn.tackleDist;
    positional.tackleBackDist = builtIn.tackleBackDist;
    positional.tackleWidth = builtIn.tackleWidth;
    positional.tackleExponent = builtIn.tackleExponent;
    positional.tacklePowerRate = builtIn.tacklePowerRate;
    positional.tackleCycles = builtIn.tackleCycles;
    positional.extraStamina = builtIn.extraStamina;
    EXPECT_EQ(readByAgent(played, 7.11), positional);
}

TEST(TypeAssignment, TheFirstKickOffGivesEachFieldPlayerATypeOfItsOwn) {
    MatchOptions options;
    options.kickOffWait = 3;
    Match match(currentParameters(5), options);
    for (int n = 1; n <= 22; ++n) {
        const std::string team = n <= 11 ? "Zamo_Left" : "Zamo_Right";
        // The right goalie registers last: the goalie still gets the first type.
        const std::string goalie = n == 1 || n == 22 ? " (goalie)" : "";
        match.receiveOnMainPort(client(n), "(init " + team + " (version 9.35)" + goalie + ")", 0);
    }
    match.player(kLeft, 4)->stamina = 100.0;
    match.takeOutgoing();
    std::map<int, std::vector<std::string>> told;  // by client
    for (int cycle = 0; cycle < 6; ++cycle) {
        match.step();
        for (const Outgoing& o : match.takeOutgoing()) {
            if (o.text.starts_with("(change_player_type")) {
                told[o.peer.port - 42000].push_back(o.text);
            }
        }
    }
    ASSERT_EQ(told.size(), 22u);
    EXPECT_EQ(match.player(kLeft, 1)->type, 0);
    EXPECT_EQ(match.player(kRight, 11)->type, 0);
    for (int n = 2; n <= 11; ++n) {
        EXPECT_EQ(match.player(kLeft, n)->type, n - 1) << n;
        EXPECT_EQ(match.player(kRight, n - 1)->type, n - 1) << n;
    }
    // A new type starts with full stamina.
    EXPECT_EQ(match.player(kLeft, 4)->stamina, 8000.0);
    // Each hears its own team's types and only the numbers of the others.
    const std::vector<std::string>& left = told[5];
    ASSERT_EQ(left.size(), 20u);
    EXPECT_EQ(left[0], "(change_player_type 2 1)");
    EXPECT_EQ(left[10], "(change_player_type 1)");
    const std::vector<std::string>& right = told[22];
    EXPECT_EQ(right[0], "(change_player_type 2)");
    EXPECT_EQ(right[10], "(change_player_type 1 1)");

    // A player coming back before play resumes hears them all again.
    Match later(currentParameters(5), options);
    later.receiveOnMainPort(client(1), "(init Zamo_Left (version 9.35) (goalie))", 0);
    later.receiveOnMainPort(client(2), "(init Zamo_Left (version 9.35))", 0);
    later.receiveOnMainPort(client(3), "(init Other (version 9.35))", 0);
    for (int cycle = 0; cycle < 6; ++cycle) {
        later.step();
    }
    later.takeOutgoing();
    later.receiveOnMainPort(client(4), "(reconnect Zamo_Left 2)", 0);
    std::vector<std::string> changes;
    for (const Outgoing& o : later.takeOutgoing()) {
        if (o.text.starts_with("(change_player_type")) {
            changes.push_back(o.text);
        }
    }
    EXPECT_EQ(changes, (std::vector<std::string>{"(change_player_type 2 1)"}));
}

}  // namespace
}  // namespace zamo::practice
