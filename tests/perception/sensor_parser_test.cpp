#include "agent/perception/sensor_parser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "agent/config/agent_config.h"
#include "agent/perception/geometry.h"
#include "agent/perception/landmarks.h"
#include "agent/perception/self_state.h"
#include "support/protocol_log.h"

namespace zamo {
namespace {

class SensorParserTest : public ::testing::Test {
  protected:
    SensorParserTest() {
        config.teamName = "Zamo_Left";
        config.quotedTeamName = "\"Zamo_Left\"";
    }

    // Parses text and applies what it read, as the receive loop does.
    bool parse(std::string_view text) {
        if (!parser.parseMessage(text, *message)) {
            return false;
        }
        if (message->kind == kSeeMessage) {
            nameOpponent(config, message->see);
        } else if (message->kind == kScoreMessage) {
            takeScore(self.score, message->score);
        }
        return true;
    }
    const SeenObject& object(int i) const { return message->see.objects[i]; }

    AgentConfig config;
    SelfState self;
    ServerParams params;
    SensorParser parser{config, params};
    std::unique_ptr<SensorMessage> message = std::make_unique<SensorMessage>();
};

TEST(SplitTokenTest, CutsWordsAndGroupsAndReportsHowTheListEnds) {
    const std::string_view text = "(see 12 ((b) 1 2)  x)";
    SplitResult split = splitToken(text, 1);
    EXPECT_EQ(split.token, "see");
    ASSERT_EQ(split.end, ListEnd::kMore);
    split = splitToken(text, split.next);
    EXPECT_EQ(split.token, "12");
    split = splitToken(text, split.next);
    EXPECT_EQ(split.token, "((b) 1 2)");
    ASSERT_EQ(split.end, ListEnd::kMore);  // the doubled blank is skipped
    split = splitToken(text, split.next);
    EXPECT_EQ(split.token, "x");
    EXPECT_EQ(split.end, ListEnd::kClosed);

    EXPECT_EQ(splitToken("ab (c", 3).end, ListEnd::kEndOfText);
    EXPECT_EQ(splitToken("ab (c", 3).token, "(c");
    EXPECT_EQ(splitToken("a )", 0).end, ListEnd::kClosed);
    EXPECT_EQ(splitToken("a", 5).token, "");
}

TEST_F(SensorParserTest, SeeFillsEveryKindOfObject) {
    ASSERT_TRUE(
        parse("(see 12 ((f c) 10.5 -20) ((b) 3.2 5 0.1 -2) ((p \"Zamo_Left\" 5 goalie) 7 10 0 0 "
              "45 10 t) ((F) 40 30) ((l r) 20 -80))"));
    EXPECT_EQ(message->kind, kSeeMessage);
    const SeeInfo& see = message->see;
    EXPECT_EQ(see.time, 12);
    ASSERT_EQ(see.count, 5);

    EXPECT_EQ(object(0).kind, kFlag);
    EXPECT_EQ(object(0).id, 0);
    EXPECT_EQ(object(0).detailed, 1);
    EXPECT_EQ(object(0).distance, 10.5);
    EXPECT_EQ(object(0).direction, -20);
    EXPECT_FALSE(given(object(0).distChange));

    EXPECT_EQ(object(1).kind, kBall);
    EXPECT_EQ(object(1).distance, 3.2);
    EXPECT_EQ(object(1).distChange, 0.1);
    EXPECT_EQ(object(1).dirChange, -2);
    EXPECT_FALSE(given(object(1).bodyFacing));

    EXPECT_EQ(object(2).kind, kPlayer);
    EXPECT_EQ(object(2).id, kOwnTeam);
    EXPECT_EQ(object(2).number, 5);
    EXPECT_EQ(object(2).goalie, 1);
    EXPECT_EQ(object(2).tackling, 1);
    EXPECT_EQ(object(2).bodyFacing, 45);
    EXPECT_EQ(object(2).headFacing, 10);
    EXPECT_FALSE(given(object(2).pointDir));

    EXPECT_EQ(object(3).kind, kFlag);
    EXPECT_EQ(object(3).detailed, 0);
    EXPECT_EQ(object(3).id, kUnknownLandmark);
    EXPECT_EQ(object(3).firstCandidate, 0);
    EXPECT_EQ(object(3).endCandidate, 54);
    EXPECT_EQ(object(3).direction, 30);

    EXPECT_EQ(object(4).kind, kLine);
    EXPECT_EQ(object(4).id, 3);
    EXPECT_EQ(object(4).distance, 20);
    EXPECT_EQ(object(4).direction, -80);
    EXPECT_EQ(config.opponentTeamName, "Zamo_Opponent");  // only teammates were seen
}

TEST_F(SensorParserTest, SeeAssignsNumbersByTheirCount) {
    ASSERT_TRUE(parse("(see 3 ((l b) 45) ((p) 10 20 30) ((P) 1 2 3 4 5 6 7) ((g l) 5 6 7 8))"));
    ASSERT_EQ(message->see.count, 4);
    EXPECT_EQ(object(0).id, 2);
    EXPECT_EQ(object(0).direction, 45);
    EXPECT_FALSE(given(object(0).distance));
    EXPECT_EQ(object(1).pointDir, 30);
    EXPECT_FALSE(given(object(1).distChange));
    EXPECT_EQ(object(1).id, kTeamNotGiven);
    EXPECT_EQ(object(1).number, kNoTime);
    EXPECT_EQ(object(2).detailed, 0);
    EXPECT_EQ(object(2).headFacing, 6);
    EXPECT_EQ(object(2).pointDir, 7);
    EXPECT_EQ(object(3).id, 1);
    EXPECT_EQ(object(3).dirChange, 8);
    EXPECT_FALSE(given(object(3).bodyFacing));
}

// Every written form of a number converts to the nearest double, as from_chars does.
TEST_F(SensorParserTest, NumbersConvertExactly) {
    for (const std::string_view number :
         {"0.1", "107.8", "-0.3", "3500.5", "1.", ".5", "-.25", "123456789012345",
          "0.000000000000001", "1234567890123456", "9007199254740993", "1e2", "-2.5E-3",
          "0.30000000000000004"}) {
        double expected = 0.0;
        std::from_chars(number.data(), number.data() + number.size(), expected);
        ASSERT_TRUE(parse("(see 1 ((b) " + std::string(number) + " 0))")) << number;
        EXPECT_EQ(object(0).distance, expected) << number;
    }
    ASSERT_TRUE(parse("(see 1 ((b) -0 0))"));
    EXPECT_TRUE(std::signbit(object(0).distance));
    for (const char* bad : {"-", ".", "1..2", "1.2.3", "+-1", "0x10", "1e", "--1", "1-"}) {
        EXPECT_FALSE(parse(std::string("(see 1 ((b) ") + bad + " 0))")) << bad;
    }
}

TEST_F(SensorParserTest, ForeignTeamNamesTheOpponentOnce) {
    ASSERT_TRUE(parse("(see 1 ((p \"Rivals\") 10 20))"));
    EXPECT_EQ(object(0).id, kOtherTeam);
    EXPECT_EQ(object(0).number, kNoTime);
    EXPECT_EQ(config.opponentTeamName, "Rivals");

    ASSERT_TRUE(parse("(see 2 ((p \"Others\" 3) 10 20))"));
    EXPECT_EQ(object(0).id, kOtherTeam);
    EXPECT_EQ(object(0).number, 3);
    EXPECT_EQ(config.opponentTeamName, "Rivals");

    config.opponentTeamName = "Zamo_Opponent";
    const std::string longName(40, 'x');
    ASSERT_TRUE(parse("(see 3 ((p \"" + longName + "\" 3) 10 20))"));
    EXPECT_EQ(config.opponentTeamName, std::string(16, 'x'));
}

TEST_F(SensorParserTest, SeeIdentifiesFlagsGoalsAndLines) {
    ASSERT_TRUE(
        parse("(see 4 ((f r b 30) 1 2) ((f x y) 1 2) ((f) 1 2) ((g) 1 2) ((G) 1 2) ((l q) 1 2) "
              "((L) 1 2) ((f g l t) 1 2) ((g r) 1 2) ((l t) 1 2))"));
    ASSERT_EQ(message->see.count, 10);
    EXPECT_EQ(object(0).id, 52);
    EXPECT_EQ(object(0).endCandidate, 0);
    EXPECT_EQ(object(1).id, kUnknownLandmark);
    EXPECT_EQ(object(2).id, kUnknownLandmark);
    EXPECT_EQ(object(3).id, kGoalSideNotGiven);
    EXPECT_EQ(object(4).detailed, 0);
    EXPECT_EQ(object(5).id, kLineSideNotGiven);
    EXPECT_EQ(object(6).detailed, 0);
    EXPECT_EQ(object(7).id, 13);
    EXPECT_EQ(object(8).id, 2);
    EXPECT_EQ(object(9).id, 1);
}

TEST_F(SensorParserTest, SeeWithoutObjectsIsValidButNeedsItsTime) {
    ASSERT_TRUE(parse("(see 77)"));
    EXPECT_EQ(message->see.time, 77);
    EXPECT_EQ(message->see.count, 0);
    EXPECT_FALSE(parse("(see)"));
    EXPECT_FALSE(parse("(see"));
    EXPECT_FALSE(parse("(see x)"));
}

TEST_F(SensorParserTest, OneBadObjectInvalidatesTheWholeSee) {
    ASSERT_TRUE(parse("(see 1 ((b) 1 2))"));
    ASSERT_EQ(message->see.count, 1);
    const char* bad[] = {
        "(see 1 ((b) 1 2) ((x) 1 2))",    // unknown name
        "(see 1 ((b) 1 2) ((b)))",        // no numbers
        "(see 1 ((b) 1 2 3 4 5))",        // five numbers
        "(see 1 ((p) 1 2 3 4 5 6 7 8))",  // eight numbers
        "(see 1 ((b) 1 zz))",             // not a number
        "(see 1 ((b) 1 nan))",            // not finite
        "(see 1 ((b) 1 1e999))",          // out of range
        "(see 1 ((b) 1 inf))",            //
        "(see 1 ((p \"T\" x) 1 2))",      // uniform number not a number
        "(see 1 ((b) 1 2) ((f c) 3 4)",   // cut short
        "(see 1 ((b) 1 2) ((f c) 3",      //
        "(see 1 (b 1 2))",                // name not a group
        "(see 1 x)",                      //
    };
    for (const char* text : bad) {
        EXPECT_FALSE(parse(text)) << text;
        EXPECT_EQ(message->see.count, 0) << text;
    }
}

TEST_F(SensorParserTest, SeeKeepsTheFirst81Objects) {
    std::string text = "(see 9";
    for (int i = 0; i < 100; ++i) {
        text += " ((p \"Zamo_Left\" " + std::to_string(i) + ") 1 2)";
    }
    text += ")";
    ASSERT_TRUE(parse(text));
    ASSERT_EQ(message->see.count, 81);
    EXPECT_EQ(object(80).number, 80);
}

TEST_F(SensorParserTest, HearCarriesSenderDirectionAndText) {
    const std::string longText(40, 'a');
    const std::string cutText(31, 'a');
    const struct {
        std::string text;
        int sender;
        double direction;
        int number;
        std::string heard;
    } cases[] = {
        {"(hear 30 referee play_on)", kSenderReferee, kNotGiven, kNoTime, "play_on"},
        {"(hear 31 self \"Hello7\")", kSenderSelf, kNotGiven, kNoTime, "Hello7"},
        {"(hear 32 -45 our 7 \"A0Bc9(xyz) q\")", kSenderOur, -45, 7, "A0Bc9(xyz) q"},
        {"(hear 33 12 opp \"msg\")", kSenderOpp, 12, kNoTime, "msg"},
        // Older protocol versions: direction and text, no sender.
        {"(hear 34 48 \"Abc0123456\")", kSenderOther, 48, kNoTime, "Abc0123456"},
        {"(hear 35 our 4)", kSenderOur, kNotGiven, 4, ""},
        // Senders match whole words only.
        {"(hear 36 5 ours \"m\")", kSenderOther, 5, kNoTime, "m"},
        // Texts are cut to 31 characters; a lone quote is an empty text.
        {"(hear 37 self \"" + longText + "\")", kSenderSelf, kNotGiven, kNoTime, cutText},
        {"(hear 38 referee " + longText + ")", kSenderReferee, kNotGiven, kNoTime, cutText},
        {"(hear 39 self \")", kSenderSelf, kNotGiven, kNoTime, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ASSERT_TRUE(parse(c.text));
        EXPECT_EQ(message->kind, kHearMessage);
        EXPECT_EQ(message->hear.time, std::stoi(c.text.substr(6, 2)));
        EXPECT_EQ(message->hear.sender, c.sender);
        EXPECT_THAT(message->hear.direction, testing::NanSensitiveDoubleEq(c.direction));
        EXPECT_EQ(message->hear.senderNumber, c.number);
        EXPECT_EQ(message->hear.textView(), c.heard);
    }
}

TEST_F(SensorParserTest, SenseBodyFillsExactlyTheGivenFields) {
    ASSERT_TRUE(
        parse("(sense_body 5 (view_mode high normal) (stamina 3500.5 1) (speed 0.3 -12) "
              "(head_angle 30) (kick 2) (dash 20))"));
    EXPECT_EQ(message->kind, kSenseBodyMessage);
    const SenseBodyInfo& body = message->senseBody;
    EXPECT_EQ(body.time, 5);
    EXPECT_EQ(body.viewQuality, 1);
    EXPECT_EQ(body.viewWidth, 1);
    EXPECT_EQ(body.stamina, 3500.5);
    EXPECT_EQ(body.effort, 1);
    EXPECT_EQ(body.speedAmount, 0.3);
    EXPECT_EQ(body.speedDirection, -12);
    EXPECT_EQ(body.headAngle, 30);
    EXPECT_EQ(body.kickCount, 2);
    EXPECT_EQ(body.dashCount, 20);
    EXPECT_EQ(body.turnCount, kNoTime);
    EXPECT_EQ(body.tackleExpires, kNoTime);
    EXPECT_FALSE(given(body.armTargetDistance));
    EXPECT_EQ(body.focusNumber, kNoTime);

    // The groups take their items in either order.
    ASSERT_TRUE(
        parse("(sense_body 7 (arm (movable 4) (expires 19) (target 10 30) (count 1)) "
              "(focus (count 2) (target l 9)) (tackle (count 3) (expires 8)))"));
    EXPECT_EQ(body.armMovable, 4);
    EXPECT_EQ(body.armExpires, 19);
    EXPECT_EQ(body.armTargetDistance, 10);
    EXPECT_DOUBLE_EQ(body.armTargetDirection, 30 * kDegToRad);
    EXPECT_EQ(body.armCount, 1);
    EXPECT_EQ(body.focusCount, 2);
    EXPECT_EQ(body.focusSide, 'l');
    EXPECT_EQ(body.focusNumber, 9);
    EXPECT_EQ(body.tackleCount, 3);
    EXPECT_EQ(body.tackleExpires, 8);
    ASSERT_TRUE(
        parse("(sense_body 9 (focus (target r 1) (count 1)) (tackle (expires 9) (count 1)))"));
    EXPECT_EQ(body.focusSide, 'r');
    EXPECT_EQ(body.focusNumber, 1);
    EXPECT_EQ(body.focusCount, 1);
    EXPECT_EQ(body.tackleExpires, 9);
    EXPECT_EQ(body.tackleCount, 1);

    ASSERT_TRUE(parse("(sense_body 8 (focus (count 0) none))"));
    EXPECT_EQ(body.focusSide, 0);
    EXPECT_EQ(body.focusNumber, 0);
    ASSERT_TRUE(parse("(sense_body 8 (focus (count 1) r 4))"));
    EXPECT_EQ(body.focusSide, 'r');
    EXPECT_EQ(body.focusNumber, 4);
}

TEST_F(SensorParserTest, NewerProtocolVersionsParseWithTheirExtraItemsAndFlags) {
    // As the release-19 server sends them to a player registered with version 18.
    const SenseBodyInfo& body = message->senseBody;
    ASSERT_TRUE(parse(
        "(sense_body 12 (view_mode high narrow) (stamina 7950 0.98 130600) (speed 0.5 10) "
        "(head_angle 0) (kick 0) (dash 3) (turn 0) (say 0) (turn_neck 0) (catch 0) (move 0) "
        "(change_view 2) (change_focus 0) (arm (movable 0) (expires 0) (target 0 0) (count 0)) "
        "(focus (target none) (count 0)) (tackle (expires 0) (count 0)) (collision none) "
        "(foul (charged 0) (card none)) (focus_point 0 0))"));
    EXPECT_EQ(body.time, 12);
    EXPECT_EQ(body.viewWidth, 0);
    EXPECT_EQ(body.stamina, 7950);
    EXPECT_EQ(body.staminaCapacity, 130600);
    EXPECT_EQ(body.dashCount, 3);
    EXPECT_EQ(body.changeViewCount, 2);
    ASSERT_TRUE(
        parse("(sense_body 13 (collision (ball) (player)) (foul (charged 2) (card yellow)))"));
    EXPECT_FALSE(parse("(sense_body 13 (focus_point 1))"));
    EXPECT_FALSE(parse("(sense_body 13 (change_focus 1 2))"));
    EXPECT_FALSE(parse("(sense_body 13 (collision))"));

    // Players kicking or charged with a foul carry a flag after their numbers.
    ASSERT_TRUE(
        parse("(see 12 ((p \"Other\" 3) 10 20 0 0 45 0 k) ((p \"Other\" 4) 12 -5 0 0 0 0 f) "
              "((p \"Other\" 5) 14 -8 0 0 0 0 t))"));
    ASSERT_EQ(message->see.count, 3);
    EXPECT_EQ(message->see.objects[0].distance, 10);
    EXPECT_EQ(message->see.objects[0].tackling, 0);
    EXPECT_EQ(message->see.objects[2].tackling, 1);
    EXPECT_FALSE(parse("(see 12 ((p \"Other\" 3) 10 20 0 0 45 0 x))"));
}

TEST_F(SensorParserTest, ScoreIsReadIntoItsRecord) {
    EXPECT_TRUE(parse("(score 3000 2 1)"));
    EXPECT_EQ(message->kind, kScoreMessage);
    EXPECT_EQ(self.score.firstScoreTime, 3000);
    EXPECT_EQ(self.score.firstScore, 2);
    EXPECT_EQ(self.score.secondScoreTime, 3000);
    EXPECT_EQ(self.score.secondScore, 1);

    EXPECT_FALSE(parse("(score 3100 4)"));
    EXPECT_FALSE(parse("(score 3100 4 nan)"));
    EXPECT_EQ(self.score.firstScoreTime, 3000);
    EXPECT_EQ(self.score.firstScore, 2);
}

TEST_F(SensorParserTest, MalformedAndHostileInputIsRefused) {
    const std::string deep(4096, '(');
    const std::string closing = "(see 1 " + std::string(2000, '(') + std::string(2000, ')');
    std::string withNul = "(see 1 ((b) 1 2))";
    withNul.insert(8, 1, '\0');
    std::string senseWithNul = "(sense_body 4 (kick 1))";
    senseWithNul[14] = '\0';
    const std::string inputs[] = {
        deep,
        closing,
        withNul,
        senseWithNul,
        "",
        "(",
        ")",
        "()",
        "see 1",
        "(hear",
        "(hear 1 \"",
        "(sense_body",
        "(sense_body 1 (arm",
        "(sense_body 1 (focus (target l",
        "(see 99999999999 ((b) 1 2))",
        "(see 1 ((p \"" + std::string(40, 'n') + "\" " + std::string(40, '9') + ") 1 2))",
        std::string(4096, ')'),
        "(hear 1 self \"cut sho",    // text without its closing quote
        "(hear 1 xyz \"msg\")",      // neither sender nor direction
        "(hear 1 self bare)",        // a player's text is always quoted
        "(hear 1 nan opp \"m\")",    // direction not finite
        "(hear 1 1 our x \"m\")",    // sender number not a number
        "(hear 1 1 2 3 4 \"m\")",    // too many tokens
        "(hear 1)",                  // nothing heard
        "(hear 1 referee play_o",    // cut short
        "(hear x referee play_on)",  // no time
        "(sense_body 5 (view_mode high normal) (jump 3))",
        "(sense_body 5 (view_mode medium normal))",
        "(sense_body 5 (stamina 1e999 1))",
        "(sense_body 5 (kick 2)",
        "(sense_body 5 (arm (movable 1) (reach 3)))",
        "(sense_body 8 (focus (target x 1) (count 1)))"};
    for (const std::string& text : inputs) {
        EXPECT_FALSE(parse(text)) << text.substr(0, 60);
    }
    // Text after a NUL byte is not read: the message ends there.
    EXPECT_TRUE(parse(std::string("(see 5)\0((x))", 13)));
}

TEST_F(SensorParserTest, ParameterMessagesAreTakenOtherRepliesAreNot) {
    const std::string files[] = {"v7-player-session.tsv", "v9-player-session.tsv"};
    int refused = 0;
    int scores = 0;
    int taken = 0;
    for (const std::string& file : files) {
        for (const std::string& text : test::receivedMessages(file, "")) {
            for (const char* kind : {"(init", "(error", "(reconnect"}) {
                if (text.starts_with(kind)) {
                    EXPECT_FALSE(parse(text)) << text.substr(0, 60);
                    ++refused;
                }
            }
            if (text.starts_with("(score")) {
                EXPECT_TRUE(parse(text)) << text;
                EXPECT_EQ(message->kind, kScoreMessage);
                ++scores;
            }
            for (const char* kind :
                 {"(server_param", "(player_param", "(player_type", "(change_player_type"}) {
                if (text.starts_with(kind)) {
                    EXPECT_TRUE(parse(text)) << text.substr(0, 60);
                    EXPECT_EQ(message->kind,
                              text.starts_with("(change") ? kPlayerTypeMessage : kParameterMessage);
                    ++taken;
                }
            }
        }
    }
    EXPECT_EQ(refused, 5);
    EXPECT_EQ(scores, 3);
    EXPECT_EQ(taken, 84);
    EXPECT_EQ(self.score.firstScoreTime, 42);  // the last score reply: (score 42 0 0)
}

TEST_F(SensorParserTest, ThinkIsTheCueOnlyWhenExactlySo) {
    ASSERT_TRUE(parse(std::string("(think)") + '\0' + "junk"));
    EXPECT_EQ(message->kind, kThinkMessage);
    for (const char* text : {"(think", "(think 1)", "(thinking)", " (think)", "(think)x"}) {
        EXPECT_FALSE(parse(text)) << text;
    }
}

// Every see, hear and sense_body of the player sessions parses, and what it carries arrives.
TEST(SensorParserRecordingsTest, EveryRecordedSensorMessageParses) {
    const std::pair<const char*, const char*> sessions[] = {
        {"v7-player-session.tsv", "TestTeam"},      {"v9-player-session.tsv", "TestTeam"},
        {"v9-goalie-session.tsv", "TestTeam"},      {"v9-say-kick-tackle-session.tsv", "TestTeam"},
        {"v9-left-known-position.tsv", "TestTeam"}, {"v9-right-known-position.tsv", "Other"},
    };
    auto message = std::make_unique<SensorMessage>();
    int parsed = 0;
    for (const auto& [file, team] : sessions) {
        AgentConfig config;
        config.quotedTeamName = std::string("\"") + team + "\"";
        ServerParams params;
        SensorParser parser(config, params);
        const bool v7 = std::string_view(file).starts_with("v7");
        for (const std::string& text : test::receivedMessages(file, "")) {
            if (!text.starts_with("(see") && !text.starts_with("(hear") &&
                !text.starts_with("(sense_body")) {
                continue;
            }
            ASSERT_TRUE(parser.parseMessage(text, *message)) << file << ": " << text;
            ++parsed;
            if (message->kind == kSeeMessage) {
                nameOpponent(config, message->see);
                // One object per "((" in the text; each of the recorded flag names is known.
                int items = 0;
                for (std::size_t at = text.find("(("); at != std::string::npos;
                     at = text.find("((", at + 2)) {
                    ++items;
                }
                ASSERT_EQ(message->see.count, items) << text;
                for (int i = 0; i < message->see.count; ++i) {
                    const SeenObject& seen = message->see.objects[i];
                    if (seen.kind == kFlag && seen.detailed) {
                        EXPECT_LT(seen.id, kUnknownLandmark) << text;
                    }
                    if (seen.kind == kPlayer && seen.id == kOtherTeam) {
                        EXPECT_EQ(config.opponentTeamName,
                                  team == std::string_view("Other") ? "TestTeam" : "Other");
                    }
                }
            } else if (message->kind == kSenseBodyMessage) {
                const SenseBodyInfo& body = message->senseBody;
                EXPECT_NE(body.viewWidth, kNoTime);
                EXPECT_TRUE(given(body.stamina));
                EXPECT_NE(body.changeViewCount, kNoTime);
                EXPECT_EQ(body.armCount == kNoTime, v7) << text;
                EXPECT_EQ(body.focusNumber == kNoTime, v7) << text;
                EXPECT_EQ(body.tackleExpires == kNoTime, v7) << text;
            } else {
                EXPECT_TRUE(message->hear.textView().size() > 0) << text;
            }
        }
    }
    EXPECT_EQ(parsed, 2315);
}

}  // namespace
}  // namespace zamo
