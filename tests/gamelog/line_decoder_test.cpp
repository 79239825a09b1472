// Decoding single lines: the game log's show lines and the monitor protocol's, parameters,
// play modes, messages, and every kind of broken line.
#include <gtest/gtest.h>

#include <charconv>
#include <string>
#include <vector>

#include "gamelog/line_decoder.h"
#include "gzip_text.h"
#include "support/recorded_session.h"
#include "support/test_data.h"

namespace zamo::gamelog {
namespace {

// One player of a show, the ball and the closing parenthesis around it.
std::string showWith(const std::string& players, int cycle = 7) {
    return "(show " + std::to_string(cycle) + " ((b) 1.5 -2.25 0.5 0)" + players + ")";
}

const std::string kGoalie =
    " ((l 1) 0 0x9 -45.8196 1.9332 -0 0 39.235 -36.3 (v h 180) (fp 0 0) (s 8000 1 1 129232)"
    " (c 0 101 6 0 2 122 5 7 0 0 0 0))";

// The received texts of a recorded session file (gzip-compressed).
std::vector<std::string> receivedTexts(const std::string& file) {
    return test::receivedTexts(test::gzipText(test::dataPath(file)));
}

// The shortest text that reads back as the same double; -0 shows as 0.
std::string num(double value) {
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, value + 0.0).ptr);
}

// Every field of a decoded player in one line, so that one comparison checks them all.
std::string describe(const Player& p) {
    const auto side = [](Side s) { return s == Side::kLeft ? "l" : "r"; };
    std::string text = side(p.side) + std::to_string(p.number) + " type " + std::to_string(p.type) +
                       " state " + std::to_string(p.state) + " at " + num(p.pos.x) + " " +
                       num(p.pos.y) + " vel " + num(p.vel.x) + " " + num(p.vel.y) + " body " +
                       num(p.body) + " neck " + num(p.neck);
    text += p.pointTo ? " point " + num(p.pointTo->x) + " " + num(p.pointTo->y) : " point -";
    text += (p.highQuality ? " high view " : " low view ") + num(p.viewWidth);
    text +=
        p.focus ? " focus " + num(p.focus->distance) + " " + num(p.focus->direction) : " focus -";
    text += p.attentionTo ? std::string(" attention ") + side(p.attentionTo->side) +
                                std::to_string(p.attentionTo->number)
                          : " attention -";
    text += " stamina " + num(p.stamina) + " " + num(p.effort) + " " + num(p.recovery) + " " +
            (p.capacity ? num(*p.capacity) : "-") + " counts";
    const CommandCounts& c = p.counts;
    for (const int count : {c.kick, c.dash, c.turn, c.catchBall, c.move, c.turnNeck, c.changeView,
                            c.say, c.tackle, c.pointTo, c.attentionTo, c.changeFocus}) {
        text += " " + std::to_string(count);
    }
    return text;
}

TEST(LineDecoderTest, DecodesEveryFieldOfAPlayer) {
    LineDecoder decoder;
    ASSERT_EQ(decoder.decode(showWith(kGoalie)), LineKind::kShow) << decoder.error();
    const Frame& frame = decoder.frame();
    EXPECT_EQ(frame.cycle, 7);
    EXPECT_EQ(num(frame.ball.pos.x) + " " + num(frame.ball.pos.y) + " " + num(frame.ball.vel.x),
              "1.5 -2.25 0.5");
    ASSERT_EQ(frame.players.size(), 1U);
    EXPECT_EQ(describe(frame.players[0]),
              "l1 type 0 state 9 at -45.8196 1.9332 vel 0 0 body 39.235 neck -36.3 point - high "
              "view 180 focus 0 0 attention - stamina 8000 1 1 129232 counts 0 101 6 0 2 122 5 7 "
              "0 0 0 0");
    EXPECT_EQ(frame.find(Side::kLeft, 1), &frame.players[0]);
    EXPECT_EQ(frame.find(Side::kRight, 1), nullptr);

    // Pointing arm, low quality, an attention target; format 5 has no focus point, three
    // stamina figures in older servers, eleven counts.
    const std::string pointing =
        " ((r 5) 4 0x3 1 2 0.1 -0.2 10 20 30.5 -4.25 (v l 45) (s 4000 0.9 0.8) (f l 7)"
        " (c 1 2 3 4 5 6 7 8 9 10 11))";
    ASSERT_EQ(decoder.decode(showWith(pointing)), LineKind::kShow) << decoder.error();
    EXPECT_EQ(describe(decoder.frame().players[0]),
              "r5 type 4 state 3 at 1 2 vel 0.1 -0.2 body 10 neck 20 point 30.5 -4.25 low view 45 "
              "focus - attention l7 stamina 4000 0.9 0.8 - counts 1 2 3 4 5 6 7 8 9 10 11 -1");
}

TEST(LineDecoderTest, CarriesPlayModeAndTeamsFromTheirLinesOrFromInsideTheShow) {
    LineDecoder decoder;
    EXPECT_EQ(decoder.decode("(playmode 1 kick_off_l)"), LineKind::kPlayMode);
    EXPECT_EQ(decoder.decode("(team 1 Zamo_Left Zamo_Right 0 0)"), LineKind::kTeam);
    ASSERT_EQ(decoder.decode(showWith(kGoalie, 1)), LineKind::kShow);
    EXPECT_EQ(decoder.frame().playMode, 4);
    EXPECT_EQ(playModeName(decoder.frame().playMode), "kick_off_l");
    EXPECT_EQ(decoder.frame().teams.left, "Zamo_Left");
    EXPECT_EQ(decoder.frame().teams.right, "Zamo_Right");

    // The monitor's form: (pm N) and (tm ...) inside; "null" is a team not yet connected.
    const std::string live =
        "(show 150 (pm 3) (tm A null 2 1) ((b) 0 0 0 0)" + kGoalie + ")" + std::string(1, '\0');
    ASSERT_EQ(decoder.decode(live), LineKind::kShow) << decoder.error();
    EXPECT_EQ(decoder.frame().playMode, kPlayModePlayOn);
    EXPECT_EQ(decoder.frame().teams.left, "A");
    EXPECT_EQ(decoder.frame().teams.right, "");
    EXPECT_EQ(decoder.frame().teams.scoreLeft, 2);
    EXPECT_EQ(decoder.frame().teams.scoreRight, 1);

    // Penalty figures after a shoot-out.
    EXPECT_EQ(decoder.decode("(team 6000 A B 1 1 4 1 3 2)"), LineKind::kTeam);
    EXPECT_EQ(decoder.teams().penaltyScoreLeft, 4);
    EXPECT_EQ(decoder.teams().penaltyMissLeft, 1);
    EXPECT_EQ(decoder.teams().penaltyScoreRight, 3);
    EXPECT_EQ(decoder.teams().penaltyMissRight, 2);
}

TEST(LineDecoderTest, DecodesMessagesAndParameters) {
    LineDecoder decoder;
    ASSERT_EQ(decoder.decode("(msg 600 1 \"(result 2026 Zamo_Left_0-vs-Zamo_Right_1)\")"),
              LineKind::kMessage);
    EXPECT_EQ(decoder.message().cycle, 600);
    EXPECT_EQ(decoder.message().board, 1);
    EXPECT_EQ(decoder.message().text, "(result 2026 Zamo_Left_0-vs-Zamo_Right_1)");

    ASSERT_EQ(decoder.decode("(server_param (ball_decay 0.94)(coach_msg_file \"\")"
                             "(log_date_format \"%Y %m\")(half_time 30))"),
              LineKind::kServerParam)
        << decoder.error();
    EXPECT_EQ(decoder.serverParams().number("ball_decay"), 0.94);
    EXPECT_EQ(decoder.serverParams().number("half_time"), 30.0);
    EXPECT_EQ(decoder.serverParams().values.at("log_date_format"), "%Y %m");
    EXPECT_EQ(decoder.serverParams().values.at("coach_msg_file"), "");
    EXPECT_FALSE(decoder.serverParams().number("coach_msg_file").has_value());
    EXPECT_FALSE(decoder.serverParams().number("missing").has_value());

    ASSERT_EQ(decoder.decode("(player_type (id 3)(player_decay 0.322033))"), LineKind::kPlayerType);
    ASSERT_EQ(decoder.playerTypes().size(), 4U);
    EXPECT_EQ(decoder.playerTypes()[3].number("player_decay"), 0.322033);
    EXPECT_TRUE(decoder.playerTypes()[0].values.empty());

    EXPECT_EQ(decoder.decode("(team_graphic_l (0 0 \"8 8 1 1\" \"a c #000\"))"),
              LineKind::kIgnored);
    EXPECT_EQ(decoder.decode(""), LineKind::kIgnored);
}

TEST(LineDecoderTest, RejectsBrokenLinesAndKeepsTheLastGoodFrame) {
    LineDecoder decoder;
    ASSERT_EQ(decoder.decode(showWith(kGoalie, 3)), LineKind::kShow);
    std::string players23;
    for (int i = 0; i < 23; ++i) {
        players23 += " ((" + std::string(i < 11 ? "l " : "r ") + std::to_string(i % 11 + 1) +
                     ") 0 0x1 0 0 0 0 0 0 (v h 90) (s 8000 1 1) (c 0 0 0 0 0 0 0 0 0 0 0))";
    }
    const std::string cases[] = {
        // Every cut of a real show line is tried in the next test.
        "garbage",
        "(show 8 ((b) 0 0 0 0))",  // no players
        showWith(players23, 8),
        showWith(kGoalie + kGoalie, 8),               // the same player twice
        "(show 8" + kGoalie + ")",                    // no ball
        "(show 8 ((b) 1e308 0 0 0)" + kGoalie + ")",  // far beyond the field
        "(show 8 ((b) nan 0 0 0)" + kGoalie + ")",
        "(show 8 ((b) inf 0 0 0)" + kGoalie + ")",
        "(show 8 ((b) 0 0 0 0) ((b) 0 0 0 0)" + kGoalie + ")",
        "(show -1 ((b) 0 0 0 0)" + kGoalie + ")",
        "(show 99999999999 ((b) 0 0 0 0)" + kGoalie + ")",
        showWith(" ((l 12) 0 0x1 0 0 0 0 0 0 (v h 90) (s 1 1 1) (c 0 0 0 0 0 0 0 0 0 0 0))", 8),
        showWith(" ((x 1) 0 0x1 0 0 0 0 0 0 (v h 90) (s 1 1 1) (c 0 0 0 0 0 0 0 0 0 0 0))", 8),
        showWith(" ((l 1) 0 0xzz 0 0 0 0 0 0 (v h 90) (s 1 1 1) (c 0 0 0 0 0 0 0 0 0 0 0))", 8),
        showWith(" ((l 1) 0 9 0 0 0 0 0 0 (v h 90) (s 1 1 1) (c 0 0 0 0 0 0 0 0 0 0 0))", 8),
        showWith(" ((l 1) 0 0x1 0 0 0 0 0 0 (v q 90) (s 1 1 1) (c 0 0 0 0 0 0 0 0 0 0 0))", 8),
        showWith(" ((l 1) 0 0x1 0 0 0 0 0 0 (v h 90) (s 1 1 1) (c 0 0 0 -1 0 0 0 0 0 0 0))", 8),
        showWith(" ((l 1) 0 0x1 0 0 0 0 0 0 (v h 90) (s 1 1 1) (c 0 0 0 0 0))", 8),
        showWith(" ((l 1) 0 0x1 0 0 0 0 0 0 (v h 90) (s 1 nan 1) (c 0 0 0 0 0 0 0 0 0 0 0))", 8),
        showWith(kGoalie, 8) + " trailing",
        "(show 8 (pm 99) ((b) 0 0 0 0)" + kGoalie + ")",
        "(playmode 5 no_such_mode)",
        "(playmode 5 play_on",
        "(team 5 A)",
        "(msg 5 1 \"unterminated)",
        "(server_param (ball_decay 0.94)",
        "(player_type (player_decay 0.3))",  // no id
        "(player_type (id -1))",
        "(unknown (never closed",
    };
    for (const std::string& line : cases) {
        EXPECT_EQ(decoder.decode(line), LineKind::kBad) << line;
        EXPECT_FALSE(decoder.error().empty()) << line;
        EXPECT_EQ(decoder.frame().cycle, 3) << line;
        EXPECT_EQ(decoder.frame().players.size(), 1U) << line;
    }
    EXPECT_TRUE(decoder.serverParams().values.empty());
}

TEST(LineDecoderTest, EveryCutOfARealShowLineIsRejectedAndKeepsTheFrame) {
    const std::vector<std::string> texts = receivedTexts("monitor-v5-session.tsv.gz");
    std::string show;
    for (const std::string& text : texts) {
        if (text.starts_with("(show 150 ")) {
            show = text;
        }
    }
    ASSERT_FALSE(show.empty());
    LineDecoder decoder;
    ASSERT_EQ(decoder.decode(showWith(kGoalie, 3)), LineKind::kShow);
    for (std::size_t length = 0; length < show.size(); ++length) {
        const LineKind kind = decoder.decode(std::string_view(show).substr(0, length));
        ASSERT_TRUE(kind == LineKind::kBad || (length == 0 && kind == LineKind::kIgnored))
            << "cut at " << length;
        ASSERT_EQ(decoder.frame().cycle, 3) << "cut at " << length << " changed the frame";
    }
    EXPECT_EQ(decoder.decode(show), LineKind::kShow) << decoder.error();
}

TEST(LineDecoderTest, DecodesARecordedMonitorSession) {
    const std::vector<std::string> texts = receivedTexts("monitor-v5-session.tsv.gz");
    ASSERT_FALSE(texts.empty());
    LineDecoder decoder;
    int shows = 0;
    int messages = 0;
    int lastCycle = -1;
    for (const std::string& text : texts) {
        const LineKind kind = decoder.decode(text);
        ASSERT_NE(kind, LineKind::kBad) << decoder.error() << ": " << text.substr(0, 80);
        if (kind == LineKind::kMessage) {
            ++messages;
        }
        if (kind != LineKind::kShow) {
            continue;
        }
        ++shows;
        const Frame& frame = decoder.frame();
        EXPECT_EQ(frame.players.size(), 22U);
        EXPECT_GE(frame.cycle, lastCycle);
        lastCycle = frame.cycle;
        if (frame.cycle == 0) {
            EXPECT_EQ(frame.playMode, kPlayModeBeforeKickOff);
        }
        if (frame.cycle == 150) {
            EXPECT_EQ(frame.playMode, kPlayModePlayOn);
            EXPECT_EQ(frame.teams.left, "Zamo_Left");
            EXPECT_EQ(frame.teams.right, "Zamo_Right");
            EXPECT_DOUBLE_EQ(frame.ball.pos.x, -18.3545);
            EXPECT_DOUBLE_EQ(frame.ball.vel.y, 0.4792);
            const Player* goalie = frame.find(Side::kLeft, 1);
            ASSERT_NE(goalie, nullptr);
            EXPECT_DOUBLE_EQ(goalie->pos.x, -45.0642);
            EXPECT_DOUBLE_EQ(goalie->body, -81.496);
            EXPECT_EQ(goalie->counts.dash, 62);
        }
    }
    EXPECT_EQ(shows, 83 + 207);
    EXPECT_EQ(messages, 20);
    EXPECT_EQ(lastCycle, 207);
    EXPECT_EQ(decoder.playerTypes().size(), 18U);
    EXPECT_EQ(decoder.serverParams().number("stamina_max"), 8000.0);
    EXPECT_TRUE(decoder.playerParams().number("player_types").has_value());
}

}  // namespace
}  // namespace zamo::gamelog
