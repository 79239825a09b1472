// Monitors on the practice server and its game log, against what the real server sends and
// writes (the recorded monitor session and game log).
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "gamelog/game_log_reader.h"
#include "gamelog/gzip_text.h"
#include "gamelog/line_decoder.h"
#include "support/recorded_session.h"
#include "support/temp_dir.h"
#include "support/test_data.h"
#include "tools/practice_server/game_log_writer.h"
#include "tools/practice_server/match.h"
#include "tools/practice_server/messages.h"

namespace zamo::practice {
namespace {

constexpr std::uint32_t kLoopback = 0x7f000001;
const std::string kIntroduction = "(dispinit version 5)";

Peer peer(int n) {
    return {kLoopback, static_cast<std::uint16_t>(41000 + n)};
}

// The form of a message with every number, team name and hexadecimal state made "N" or "W":
// what must be the same as the real server's, whatever is on the field.
std::string skeleton(const std::string& text, const std::vector<std::string>& names) {
    const auto isNumber = [](std::string_view word) {
        if (word.starts_with("0x")) {
            return word.size() > 2 &&
                   word.find_first_not_of("0123456789abcdef", 2) == std::string_view::npos;
        }
        double value = 0.0;
        const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
        return error == std::errc() && end == word.data() + word.size();
    };
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t end = std::min(text.find_first_of(" ()\"", i), text.size());
        if (end == i) {
            out += text[i++];
            continue;
        }
        const std::string word = text.substr(i, end - i);
        const bool name =
            word == "null" || std::find(names.begin(), names.end(), word) != names.end();
        out += name ? "W" : isNumber(word) ? "N" : word;
        i = end;
    }
    return out;
}

std::string firstWith(const std::vector<std::string>& texts, const std::string& prefix) {
    for (const std::string& t : texts) {
        if (t.starts_with(prefix)) {
            return t;
        }
    }
    return {};
}

std::vector<std::string> linesOf(std::istream&& in) {
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

class PracticeMonitor : public ::testing::Test {
  protected:
    static MatchOptions quickMatch() {
        MatchOptions o;
        o.halfCycles = 20;
        o.halves = 2;
        o.kickOffWait = 3;
        o.afterGoalWait = 2;
        return o;
    }

    // Registers client n of a team; its connection.
    int join(int n, const std::string& team, bool goalie = false) {
        match.receiveOnMainPort(
            peer(n), "(init " + team + " (version 9.35)" + (goalie ? " (goalie))" : ")"), 0);
        const auto out = match.takeOutgoing();
        return out.empty() ? -1 : out.front().connection;
    }
    // What went to peer n since the last call, with the connections it came from.
    std::vector<Outgoing> to(int n) {
        std::vector<Outgoing> mine;
        for (Outgoing& o : match.takeOutgoing()) {
            if (o.peer == peer(n)) {
                mine.push_back(std::move(o));
            }
        }
        return mine;
    }
    std::vector<std::string> showsTo(int n) {
        std::vector<std::string> shows;
        for (const Outgoing& o : to(n)) {
            if (o.text.starts_with("(show ")) {
                shows.push_back(o.text);
            }
        }
        return shows;
    }
    // Introduces monitor n; the connection its parameters came from.
    int introduce(int n) {
        match.receiveOnMainPort(peer(n), kIntroduction, 0);
        const auto out = to(n);
        EXPECT_FALSE(out.empty());
        return out.empty() ? -1 : out.front().connection;
    }
    // One cycle; the frame monitor n was shown of it.
    gamelog::Frame stepShown(int n) {
        match.step();
        const auto shows = showsTo(n);
        EXPECT_EQ(shows.size(), 1U);
        gamelog::LineDecoder decoder;
        EXPECT_EQ(decoder.decode(shows.empty() ? "" : shows.front()), gamelog::LineKind::kShow)
            << decoder.error();
        return decoder.frame();
    }

    Match match{ServerParams{}, quickMatch()};
};

TEST_F(PracticeMonitor, AMonitorGetsTheParametersThenAShowEachCycleInTheRealServersForm) {
    match.receiveOnMainPort(peer(1), kIntroduction, 0);
    const auto greeting = to(1);
    ASSERT_EQ(greeting.size(), 20U);  // server_param, player_param, 18 player types
    EXPECT_GE(greeting[0].connection, 0);
    EXPECT_TRUE(greeting[0].text.starts_with("(server_param (")) << greeting[0].text;

    join(2, "Zamo_Left", true);
    join(3, "Zamo_Left");
    join(4, "Zamo_Right");
    const gamelog::Frame f = stepShown(1);
    EXPECT_EQ(f.cycle, 0);
    EXPECT_EQ(f.playMode, gamelog::kPlayModeBeforeKickOff);
    EXPECT_EQ(f.teams.left, "Zamo_Left");
    EXPECT_EQ(f.teams.right, "Zamo_Right");
    ASSERT_EQ(f.players.size(), 22U);
    EXPECT_EQ(f.find(gamelog::Side::kLeft, 1)->state, gamelog::kStateStand | gamelog::kStateGoalie);
    EXPECT_EQ(f.find(gamelog::Side::kLeft, 2)->state, gamelog::kStateStand);
    EXPECT_EQ(f.find(gamelog::Side::kLeft, 3)->state, 0U);  // nobody there
    EXPECT_EQ(f.find(gamelog::Side::kRight, 1)->state, gamelog::kStateStand);
    EXPECT_EQ(f.find(gamelog::Side::kLeft, 2)->pos.x, match.player(kLeft, 2)->pos.x);

    // Byte for byte the real server's form, numbers and names aside.
    const auto real =
        test::receivedTexts(test::gzipText(test::dataPath("monitor-v5-session.tsv.gz")));
    const std::string realShow = firstWith(real, "(show 17 ");
    ASSERT_FALSE(realShow.empty());
    match.step();
    const std::string ours = showsTo(1).at(0);
    const std::vector<std::string> names{"Zamo_Left", "Zamo_Right"};
    EXPECT_EQ(skeleton(ours, names), skeleton(realShow, names));
    EXPECT_EQ(skeleton(greeting[0].text.substr(0, 14), {}), skeleton(real.at(0).substr(0, 14), {}));
}

TEST_F(PracticeMonitor, KickOffOnRequestGoodbyeAndRefusals) {
    const int connection = introduce(1);
    join(2, "Zamo_Left");
    // Only the monitor's own peer, on its own port, is heard.
    match.receiveOnConnection(connection, peer(9), "(dispstart)");
    EXPECT_EQ(stepShown(1).playMode, gamelog::kPlayModeBeforeKickOff);
    match.receiveOnConnection(connection, peer(1), "(dispstart)");
    EXPECT_EQ(stepShown(1).playMode, *gamelog::playModeNumber("kick_off_l"));
    match.receiveOnConnection(connection, peer(1), "(dispbye)");
    const auto closed = match.takeClosedConnections();
    EXPECT_NE(std::find(closed.begin(), closed.end(), connection), closed.end());
    match.step();
    EXPECT_TRUE(showsTo(1).empty());
    EXPECT_TRUE(match.monitors().clients().empty());

    // Other protocol versions are not spoken; one introduction again starts afresh.
    for (const std::string text : {"(dispinit)", "(dispinit version 4)", "(dispinit version 6)"}) {
        match.receiveOnMainPort(peer(3), text, 0);
        const auto out = to(3);
        ASSERT_EQ(out.size(), 1U) << text;
        EXPECT_EQ(out[0].text, "(error illegal_client_version)");
        EXPECT_EQ(out[0].connection, -1);
    }
    const int first = introduce(4);
    const int second = introduce(4);
    EXPECT_NE(first, second);
    match.step();
    EXPECT_EQ(showsTo(4).size(), 1U);
    // A flood of monitors is stopped before the sockets run out.
    for (int n = 0; n < 40; ++n) {
        match.receiveOnMainPort(peer(100 + n), kIntroduction, 0);
    }
    EXPECT_EQ(match.monitors().clients().size(), MonitorClients::kMaxMonitors);
    match.receiveOnMainPort(peer(200), " ( dispinit version 5 ) ", 0);
    EXPECT_EQ(to(200).at(0).text, "(error no_more_monitor)");
}

TEST_F(PracticeMonitor, KicksTacklesAndTheirFailuresShowInTheStateBits) {
    introduce(1);
    const int left = join(2, "Zamo_Left");
    join(3, "Zamo_Right");
    match.receiveOnConnection(left, peer(2), "(move -0.3 0)");
    for (int i = 0; i < 5; ++i) {
        match.step();
    }
    ASSERT_EQ(match.playMode(), kKickOffL);
    match.takeOutgoing();
    match.receiveOnConnection(left, peer(2), "(kick 20 0)");
    const auto state = [](const gamelog::Frame& f) {
        return f.find(gamelog::Side::kLeft, 1)->state;
    };
    EXPECT_EQ(state(stepShown(1)), gamelog::kStateStand | gamelog::kStateKick);
    EXPECT_EQ(state(stepShown(1)), gamelog::kStateStand);
    // The ball has gone: a kick at nothing fails.
    for (int i = 0; i < 10; ++i) {
        match.step();
    }
    match.takeOutgoing();
    match.receiveOnConnection(left, peer(2), "(kick 20 0)");
    EXPECT_EQ(state(stepShown(1)),
              gamelog::kStateStand | gamelog::kStateKick | gamelog::kStateKickFault);
    // A tackle shows for as long as it holds the player down.
    match.receiveOnConnection(left, peer(2), "(tackle 100)");
    const std::uint32_t failed =
        gamelog::kStateStand | gamelog::kStateTackle | gamelog::kStateTackleFault;
    EXPECT_EQ(state(stepShown(1)), failed);
    EXPECT_EQ(state(stepShown(1)), failed);
    for (int i = 0; i < 20; ++i) {
        match.step();
    }
    match.takeOutgoing();
    EXPECT_EQ(state(stepShown(1)), gamelog::kStateStand);
    // A field player's catch is a failed catch.
    match.receiveOnConnection(left, peer(2), "(catch 0)");
    EXPECT_EQ(state(stepShown(1)),
              gamelog::kStateStand | gamelog::kStateCatch | gamelog::kStateCatchFault);
}

TEST_F(PracticeMonitor, TheGameLogIsAReplayableLogOfFormatSix) {
    test::TempDir dir;
    const auto path = dir.path() / "practice.rcg";
    GameLogWriter log;
    std::string error;
    ASSERT_TRUE(log.open(path, parameterMessages(ServerParams{}, kAllParametersVersion), error))
        << error;
    match.setGameLog(&log);
    const int left = join(1, "Zamo_Left", true);
    join(2, "Zamo_Right");
    match.receiveOnConnection(left, peer(1), "(move -0.3 0)");
    int steps = 0;
    while (!match.finished() && steps++ < 1000) {
        match.step();
    }
    ASSERT_TRUE(match.finished());
    ShowSnapshot end;
    end.time = match.time();
    end.mode = match.playMode();
    end.leftName = match.teamName(kLeft);
    end.rightName = match.teamName(kRight);
    ASSERT_TRUE(log.finish(end));

    const auto read = gamelog::readGameLog(path, error);
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(read->version, 6);
    EXPECT_EQ(read->skippedLines, 0) << (read->problems.empty() ? "" : read->problems.front());
    EXPECT_EQ(read->playerTypes.size(), 18U);
    ASSERT_FALSE(read->frames.empty());
    // From the kick-off (in the cycle this server kicks off) to time over; nothing of the waits
    // before either half's kick-off.
    EXPECT_EQ(read->frames.front().cycle, 0);
    EXPECT_EQ(read->frames.front().playMode, *gamelog::playModeNumber("kick_off_l"));
    EXPECT_EQ(read->frames.back().playMode, gamelog::kPlayModeTimeOver);
    EXPECT_EQ(read->frames.back().cycle, 40);
    int timeOver = 0;
    for (const gamelog::Frame& f : read->frames) {
        EXPECT_NE(f.playMode, gamelog::kPlayModeBeforeKickOff) << f.cycle;
        timeOver += f.playMode == gamelog::kPlayModeTimeOver ? 1 : 0;
    }
    EXPECT_EQ(timeOver, 1);
    ASSERT_FALSE(read->messages.empty());
    EXPECT_TRUE(read->messages.back().text.starts_with("(result ")) << read->messages.back().text;
    EXPECT_NE(read->messages.back().text.find("Zamo_Left_0-vs-Zamo_Right_0"), std::string::npos);

    // Line by line in the real server's form: the head, the first cycle, the tail.
    const std::vector<std::string> ours = linesOf(std::ifstream(path));
    const std::vector<std::string> real =
        linesOf(std::istringstream(test::gzipText(test::dataPath("zamo-selfplay.rcg.gz"))));
    ASSERT_GT(ours.size(), 30U);
    const auto kind = [](const std::string& line) { return line.substr(0, line.find(' ')); };
    for (std::size_t i = 0; i < 24; ++i) {
        EXPECT_EQ(kind(ours[i]), kind(real[i])) << i;
    }
    const std::vector<std::string> names{"Zamo_Left", "Zamo_Right"};
    for (std::size_t i = 21; i < 24; ++i) {  // (playmode 1 kick_off_l), (team 1 ...), (show 1 ...)
        EXPECT_EQ(skeleton(ours[i], names), skeleton(real[i], names));
    }
    EXPECT_EQ(skeleton(ours.back(), names), skeleton(real.back(), names));
    // "(msg T 1 \"(result DATE Left_L-vs-Right_R)\")": alike up to the teams' score.
    const auto upToTeams = [](const std::string& line) {
        return line.substr(0, line.find(" Zamo_Left_"));
    };
    const std::string ourResult = ours[ours.size() - 2];
    const std::string realResult = real[real.size() - 2];
    EXPECT_EQ(skeleton(upToTeams(ourResult), {}), skeleton(upToTeams(realResult), {}));
    EXPECT_TRUE(ourResult.ends_with(" Zamo_Left_0-vs-Zamo_Right_0)\")")) << ourResult;
}

}  // namespace
}  // namespace zamo::practice
