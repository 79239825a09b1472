// Reading whole game logs: the real server's sample, plain and compressed, and broken files.
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "gamelog/game_log_reader.h"
#include "gzip_text.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

namespace zamo::gamelog {
namespace {

const std::string kSample = "zamo-selfplay.rcg.gz";

std::string show(int cycle) {
    return "(show " + std::to_string(cycle) +
           " ((b) 0 0 0 0) ((l 1) 0 0x9 -50 0 0 0 0 0 (v h 90) (fp 0 0) (s 8000 1 1 130600)"
           " (c 0 0 0 0 0 0 0 0 0 0 0 0)))\n";
}

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

TEST(GameLogReaderTest, ReadsTheRealServersSample) {
    std::string error;
    const auto log = readGameLog(test::dataPath(kSample), error);
    ASSERT_TRUE(log.has_value()) << error;
    EXPECT_EQ(log->version, 6);
    EXPECT_EQ(log->skippedLines, 0);
    EXPECT_TRUE(log->problems.empty());
    EXPECT_EQ(log->serverParams.number("half_time"), 30.0);
    EXPECT_EQ(log->serverParams.number("ball_decay"), 0.94);
    EXPECT_EQ(log->playerParams.number("player_types"), 18.0);
    ASSERT_EQ(log->playerTypes.size(), 18U);
    EXPECT_EQ(log->playerTypes[1].number("player_decay"), 0.318121);

    // 2 x 300 cycles without a show at the half-time whistle, and 50 more frames while the
    // clock stood after the goal.
    ASSERT_EQ(log->frames.size(), 649U);
    const Frame& first = log->frames.front();
    EXPECT_EQ(first.cycle, 1);
    EXPECT_EQ(playModeName(first.playMode), "kick_off_l");
    EXPECT_EQ(first.teams.left, "Zamo_Left");
    EXPECT_EQ(first.players.size(), 22U);
    // The kick-off waits until cycle 52, when the first kick is taken.
    EXPECT_EQ(playModeName(log->frames[50].playMode), "kick_off_l");
    EXPECT_EQ(log->frames[51].cycle, 52);
    EXPECT_EQ(playModeName(log->frames[51].playMode), "play_on");
    int standing = 0;
    int previousCycle = 0;
    for (const Frame& frame : log->frames) {
        EXPECT_GE(frame.cycle, previousCycle);
        previousCycle = frame.cycle;
        // The clock stands only after the goal: each frame of it counts on, the next resets.
        EXPECT_EQ(frame.stoppage, frame.cycle == 532 ? standing++ : 0) << frame.cycle;
        if (frame.cycle == 532) {
            EXPECT_EQ(playModeName(frame.playMode), "goal_r");
            EXPECT_EQ(frame.teams.scoreRight, 1);
        }
        if (frame.cycle == 531) {
            EXPECT_EQ(frame.teams.scoreRight, 0);
        }
    }
    EXPECT_EQ(standing, 51);
    const Frame& last = log->frames.back();
    EXPECT_EQ(last.cycle, 600);
    EXPECT_EQ(playModeName(last.playMode), "time_over");
    EXPECT_EQ(last.teams.scoreLeft, 0);
    EXPECT_EQ(last.teams.scoreRight, 1);
    ASSERT_EQ(log->messages.size(), 1U);
    EXPECT_EQ(log->messages[0].cycle, 600);
    EXPECT_TRUE(log->messages[0].text.starts_with("(result ")) << log->messages[0].text;

    const Frame& at250 = log->frames[249];
    ASSERT_EQ(at250.cycle, 250);
    const Player* right10 = at250.find(Side::kRight, 10);
    ASSERT_NE(right10, nullptr);
    EXPECT_EQ(right10->type, 9);
    EXPECT_DOUBLE_EQ(right10->pos.x, -25.9604);
    EXPECT_DOUBLE_EQ(right10->stamina, 7434.48);
    EXPECT_EQ(right10->counts.move, 29);
    EXPECT_EQ(right10->counts.tackle, 1);
}

TEST(GameLogReaderTest, PlainAndCompressedLogsGiveTheSameFrames) {
    test::TempDir dir;
    const auto plain = dir.write("plain.rcg", test::gzipText(test::dataPath(kSample)));
    GameLogReader compressed;
    GameLogReader uncompressed;
    ASSERT_TRUE(compressed.open(test::dataPath(kSample))) << compressed.error();
    ASSERT_TRUE(uncompressed.open(plain)) << uncompressed.error();
    int frames = 0;
    while (compressed.next()) {
        ASSERT_TRUE(uncompressed.next());
        ++frames;
        ASSERT_EQ(compressed.frame().cycle, uncompressed.frame().cycle);
        ASSERT_EQ(compressed.frame().ball.pos.x, uncompressed.frame().ball.pos.x);
        ASSERT_EQ(compressed.frame().players.back().stamina,
                  uncompressed.frame().players.back().stamina);
    }
    EXPECT_FALSE(uncompressed.next());
    EXPECT_EQ(frames, 649);
    EXPECT_TRUE(compressed.error().empty()) << compressed.error();
    // Reopening starts afresh.
    ASSERT_TRUE(compressed.open(plain));
    ASSERT_TRUE(compressed.next());
    EXPECT_EQ(compressed.frame().cycle, 1);
    EXPECT_TRUE(compressed.messages().empty());
}

TEST(GameLogReaderTest, RefusesFilesThatAreNoUsableLog) {
    test::TempDir dir;
    struct Case {
        std::string name;
        std::string bytes;
        std::string errorPart;
    };
    const Case cases[] = {
        {"empty.rcg", "", "is empty"},
        {"format4.rcg", "ULG4\n" + show(1), "format 4 is not supported"},
        {"json.rcg", "[\n{\"version\":\"19.0.0\"}\n", "not a text game log"},
        {"binary.rcg", std::string("ULG\x03\x00\x01", 6), "not a text game log"},
        {"text.rcg", "hello\n" + show(1), "not a text game log"},
        {"header-only.rcg", "ULG6\n", "holds no frame"},
        {"no-cycles.rcg", "ULG5\n(server_param (half_time 300))\n(playmode 0 before_kick_off)\n",
         "holds no frame"},
        {"all-garbage.rcg", "ULG6\n((((\n)))\n(show x)\n", "holds no frame"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(readGameLog(dir.write(c.name, c.bytes), error).has_value()) << c.name;
        EXPECT_NE(error.find(c.errorPart), std::string::npos) << c.name << ": " << error;
    }
    std::string error;
    EXPECT_FALSE(readGameLog(dir.path() / "missing.rcg", error).has_value());
    EXPECT_NE(error.find("cannot open"), std::string::npos) << error;
    EXPECT_FALSE(readGameLog(dir.path(), error).has_value()) << "a directory";
}

TEST(GameLogReaderTest, SkipsBrokenLinesAndKeepsTheRest) {
    test::TempDir dir;
    std::string cut = show(4);
    cut.resize(cut.size() / 2);  // the server was killed while writing
    const std::string text = "ULG6\r\n" + show(1) + "garbage line\n" + show(2) +
                             "(show 3 ((b) nan 0 0 0))\n" + std::string(2 << 20, 'x') + "\n" +
                             "(msg 3 1 \"hello\")\n" + show(3) + cut;
    std::string error;
    const auto log = readGameLog(dir.write("broken.rcg", text), error);
    ASSERT_TRUE(log.has_value()) << error;
    ASSERT_EQ(log->frames.size(), 3U);
    EXPECT_EQ(log->frames[2].cycle, 3);
    EXPECT_EQ(log->skippedLines, 4);
    ASSERT_EQ(log->problems.size(), 4U);
    EXPECT_TRUE(log->problems[0].starts_with("line 3: ")) << log->problems[0];
    EXPECT_TRUE(log->problems[1].starts_with("line 5: ")) << log->problems[1];
    EXPECT_NE(log->problems[2].find("longer than"), std::string::npos) << log->problems[2];
    EXPECT_TRUE(log->problems[3].starts_with("line 9: ")) << log->problems[3];
    ASSERT_EQ(log->messages.size(), 1U);
    EXPECT_EQ(log->messages[0].text, "hello");
}

TEST(GameLogReaderTest, SurvivesCutAndScrambledFiles) {
    test::TempDir dir;
    const std::string compressed = fileBytes(test::dataPath(kSample));
    ASSERT_GT(compressed.size(), 1000U);

    // A compressed log cut in the middle: the frames before the cut, and the cut said.
    std::string error;
    const auto half = readGameLog(dir.write("half.rcg.gz", compressed.substr(0, 170000)), error);
    ASSERT_TRUE(half.has_value()) << error;
    EXPECT_GT(half->frames.size(), 100U);
    EXPECT_LT(half->frames.size(), 649U);
    EXPECT_FALSE(half->problems.empty());

    // Random bytes after a good start: whatever is read, no crash, no hang.
    const std::string plain = test::gzipText(test::dataPath(kSample));
    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round) {
        std::string scrambled = plain.substr(0, 120000);
        for (int i = 0; i < 8; ++i) {
            scrambled[5 + random() % (scrambled.size() - 5)] = static_cast<char>(random() % 256);
        }
        GameLogReader reader;
        ASSERT_TRUE(reader.open(dir.write("scrambled.rcg", scrambled)));
        int frames = 0;
        while (reader.next()) {
            ++frames;
            ASSERT_LE(reader.frame().players.size(), 22U);
            ASSERT_FALSE(reader.frame().players.empty());
        }
        EXPECT_GT(reader.skippedLines(), 0) << "round " << round;
        EXPECT_GT(frames, 0) << "round " << round;
    }
}

}  // namespace
}  // namespace zamo::gamelog
