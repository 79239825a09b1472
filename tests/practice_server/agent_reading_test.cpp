// What the practice server sends, read by the agent's own sensor parser: every sensor message
// must be understood, and the flags it names must put the reader where it stands, within half
// a degree of direction and 0.6 % of distance (and 0.05 of rounding).

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>

#include "agent/config/agent_config.h"
#include "agent/perception/landmarks.h"
#include "agent/perception/sensor_parser.h"
#include "tools/practice_server/match.h"

namespace zamo::practice {
namespace {

constexpr std::uint32_t kLoopback = 0x7f000001;

Peer client(int n) {
    return {kLoopback, static_cast<std::uint16_t>(41000 + n)};
}

class AgentReading : public ::testing::TestWithParam<const char*> {};

TEST_P(AgentReading, EverySensorMessageOfAFullMatchParses) {
    MatchOptions options;
    options.kickOffWait = 3;
    Match match(ServerParams{}, options);
    const std::string version = GetParam();
    for (int n = 1; n <= 22; ++n) {
        const std::string team = n <= 11 ? "Zamo_Left" : "Zamo_Right";
        const std::string goalie = n == 1 || n == 12 ? " (goalie)" : "";
        match.receiveOnMainPort(client(n),
                                "(init " + team + " (version " + version + ")" + goalie + ")", 0);
    }
    // Spread over the field, facing all ways, so that near and far, named and anonymous
    // objects all occur.
    const auto player = [&](int n) -> PlayerState& {
        return *match.player(n <= 11 ? kLeft : kRight, (n - 1) % 11 + 1);
    };
    for (int n = 1; n <= 22; ++n) {
        PlayerState& p = player(n);
        p.pos = {-50.0 + 4.7 * n, -30.0 + 2.9 * n};
        p.body = 33.0 * n;
        p.neck = n % 3 == 0 ? 40.0 : -25.0;
        p.tackleExpires = n % 5 == 0 ? 2 : 0;
    }
    match.takeOutgoing();
    const int connection = match.player(kLeft, 5)->connection;
    match.receiveOnConnection(connection, client(5), "(say Abc0123456)");

    AgentConfig config;
    config.teamName = "Zamo_Left";
    config.quotedTeamName = "\"Zamo_Left\"";
    ServerParams params;
    SensorParser parser(config, params);
    std::map<int, int> counts;  // by message kind
    int located = 0;            // flags checked against where their reader stands
    for (int cycle = 1; cycle <= 12; ++cycle) {
        match.step();
        match.sendDueSees(cycle * 100);
        for (const Outgoing& o : match.takeOutgoing()) {
            SensorMessage m;
            const bool parsed = parser.parseMessage(o.text, m);
            const bool sensor =
                o.text.rfind("(see ", 0) == 0 || o.text.rfind("(sense_body ", 0) == 0 ||
                o.text.rfind("(hear ", 0) == 0 || o.text.rfind("(change_player_type ", 0) == 0;
            EXPECT_EQ(parsed, sensor) << o.text;
            if (!parsed) {
                continue;
            }
            ++counts[m.kind];
            const PlayerState& reader = player(o.peer.port - 41000);
            for (int i = 0; m.kind == kSeeMessage && i < m.see.count; ++i) {
                const SeenObject& s = m.see.objects[i];
                if (s.kind != kFlag || s.detailed == 0) {
                    continue;
                }
                ASSERT_NE(s.id, kUnknownLandmark) << o.text;
                const Landmark& l = landmarkTable()[s.id];
                const double g = (reader.body + reader.neck + s.direction) * M_PI / 180.0;
                const double allowed = s.distance * (0.5 * M_PI / 180.0 + 0.006) + 0.06;
                EXPECT_NEAR(l.x - s.distance * std::cos(g), reader.pos.x, allowed) << l.name;
                EXPECT_NEAR(l.y - s.distance * std::sin(g), reader.pos.y, allowed) << l.name;
                ++located;
            }
        }
    }
    EXPECT_EQ(counts[kSenseBodyMessage], 22 * 12);
    EXPECT_GE(counts[kSeeMessage], 22 * 7);
    EXPECT_GE(counts[kHearMessage], 2);  // the referee's kick-off and the said message at least
    // At the kick-off every player but the goalies changed its type, and everybody was told.
    EXPECT_EQ(counts[kPlayerTypeMessage], 20 * 22);
    EXPECT_GT(located, 22 * 7 * 5);
}

INSTANTIATE_TEST_SUITE_P(Versions, AgentReading, ::testing::Values("9.35", "7.11"));

}  // namespace
}  // namespace zamo::practice
