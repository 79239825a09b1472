// The table of matches, the summary's figures and text, and the picture's PNG encoding.
#include <gtest/gtest.h>

#include <zlib.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "tools/match_stats/image.h"
#include "tools/match_stats/match_table.h"
#include "tools/match_stats/summary.h"

namespace zamo::stats {
namespace {

MatchRow row(int match, int goalsNew, int goalsBaseline) {
    MatchRow r;
    r.match = match;
    r.newSide = match % 2 == 1 ? gamelog::Side::kLeft : gamelog::Side::kRight;
    r.newValues.assign(statColumns().size(), 0.0);
    r.baselineValues.assign(statColumns().size(), 0.0);
    r.newValues[0] = goalsNew;
    r.baselineValues[0] = goalsBaseline;
    r.cycles = 2000;
    r.mode = "real time";
    r.newRev = "abc1234+";
    r.baselineRev = "abc1234";
    return r;
}

TEST(MatchTableTest, ALineReadsBackAsWritten) {
    test::TempDir dir;
    MatchRow written = row(7, 2, 1);
    for (std::size_t i = 0; i < statColumns().size(); ++i) {
        written.newValues[i] = statColumns()[i].decimals > 0 ? 0.125 * i : 3.0 * i;
        written.baselineValues[i] = statColumns()[i].decimals > 0 ? 0.5 : 1.0 + i;
    }
    written.newValues[0] = 2;
    written.mode = "odd, \"quoted\" mode";
    written.log = dir.path() / "logs" / "match-7.rcg.gz";
    const auto path =
        dir.write("matches.csv", tableHeader() + "\n" + tableLine(written, dir.path()) + "\n\n");
    std::string error;
    const auto rows = readTable(path, error);
    ASSERT_TRUE(rows.has_value()) << error;
    ASSERT_EQ(rows->size(), 1U);
    const MatchRow& read = rows->front();
    EXPECT_EQ(read.match, 7);
    EXPECT_EQ(read.newSide, gamelog::Side::kLeft);
    EXPECT_EQ(read.goalsNew(), 2);
    EXPECT_EQ(read.goalsBaseline(), 1);
    for (std::size_t i = 0; i < statColumns().size(); ++i) {
        EXPECT_NEAR(read.newValues[i], written.newValues[i], 0.001) << statColumns()[i].name;
        EXPECT_NEAR(read.baselineValues[i], written.baselineValues[i], 0.001);
    }
    EXPECT_EQ(read.cycles, 2000);
    EXPECT_EQ(read.mode, written.mode);
    EXPECT_EQ(read.baselineRev, "abc1234");
    EXPECT_EQ(read.log, written.log);
    EXPECT_EQ(tableLine(written, dir.path()).find(dir.path().string()), std::string::npos)
        << "the log is named relative to the table";
}

TEST(MatchTableTest, RefusesTablesThatDoNotFit) {
    test::TempDir dir;
    const std::string good = tableLine(row(1, 0, 0), dir.path());
    std::string badSide = good;
    badSide[2] = 'x';
    struct Case {
        std::string text;
        std::string errorPart;
    };
    const Case cases[] = {
        {"match,goals\n1,2\n", "header differs"},
        {tableHeader() + "\n" + good + "\n1,l,2\n", ":3: expected"},
        {tableHeader() + "\n" + badSide + "\n", "must be l or r"},
        {tableHeader() + "\nx" + good + "\n", "bad match number"},
        {tableHeader() + "\n" + good.substr(0, 4) + "nan" + good.substr(5) + "\n", "bad number"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(readTable(dir.write("t.csv", c.text), error).has_value()) << c.text;
        EXPECT_NE(error.find(c.errorPart), std::string::npos) << error;
    }
    std::string error;
    EXPECT_FALSE(readTable(dir.path() / "none.csv", error).has_value());
}

TEST(SummaryTest, RecordMeanAndInterval) {
    const std::vector<MatchRow> rows = {row(1, 2, 1), row(2, 1, 1), row(3, 0, 1), row(4, 3, 1)};
    const Summary s = summarise(rows);
    EXPECT_EQ(s.matches, 4);
    EXPECT_EQ(s.goalsFor, 6);
    EXPECT_EQ(s.goalsAgainst, 4);
    // Differences 1, 0, -1, 2: mean 0.5, standard deviation sqrt(5/3), t(3) = 3.182.
    EXPECT_DOUBLE_EQ(s.meanDifference, 0.5);
    const double half = 3.182 * std::sqrt(5.0 / 3.0) / 2.0;
    EXPECT_NEAR(s.low, 0.5 - half, 1e-9);
    EXPECT_NEAR(s.high, 0.5 + half, 1e-9);
    EXPECT_DOUBLE_EQ(s.meanNew[0], 1.5);
    EXPECT_DOUBLE_EQ(s.meanBaseline[0], 1.0);
    EXPECT_EQ(verdictLine(s, "abc1234"),
              "new vs abc1234: W-D-L 2-1-1, goal difference per match 0.50 [-1.55, 2.55]");

    const std::string text = summaryText(s, rows, {"a note"});
    EXPECT_TRUE(text.ends_with(verdictLine(s, "abc1234") + "\n")) << text;
    EXPECT_NE(text.find("it contains 0"), std::string::npos);
    EXPECT_NE(text.find("note: a note"), std::string::npos);
    EXPECT_NE(text.find("real time"), std::string::npos);
}

TEST(SummaryTest, FewMatchesGiveAnUnboundedOrEmptyInterval) {
    const Summary one = summarise({row(1, 3, 0)});
    EXPECT_TRUE(std::isinf(one.low) && one.low < 0);
    EXPECT_TRUE(std::isinf(one.high) && one.high > 0);
    EXPECT_EQ(verdictLine(one, "x"),
              "new vs x: W-D-L 1-0-0, goal difference per match 3.00 "
              "[-inf, inf]");
    const Summary same = summarise({row(1, 1, 0), row(2, 1, 0), row(3, 1, 0)});
    EXPECT_DOUBLE_EQ(same.low, 1.0);
    EXPECT_DOUBLE_EQ(same.high, 1.0);
    EXPECT_NE(summaryText(same, {row(1, 1, 0)}, {}).find("better"), std::string::npos);
    EXPECT_EQ(verdictLine(summarise({}), "x"),
              "new vs x: W-D-L 0-0-0, goal difference per match 0.00 [-inf, inf]");
}

// Entries inside the table are checked through the intervals above and the program's summary.
TEST(SummaryTest, StudentQuantilesFollowTheTableAndItsExpansion) {
    EXPECT_NEAR(studentT95(30), 2.042, 0.001);
    EXPECT_NEAR(studentT95(40), 2.021, 0.001);
    EXPECT_NEAR(studentT95(120), 1.980, 0.001);
    EXPECT_NEAR(studentT95(100000), 1.960, 0.001);
    EXPECT_TRUE(std::isinf(studentT95(0)));
}

std::uint32_t bigEndian(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    }
    return value;
}

TEST(ImageTest, PngHoldsThePixelsWithValidChunks) {
    Image image(7, 3, {255, 255, 255});
    image.set(0, 0, {10, 20, 30});
    image.fillRect(5, 1, 10, 10, {1, 2, 3});  // clipped at the edges
    image.line(-5, -5, 100, 100, {9, 9, 9});  // clipped as well
    const std::string png = image.png();
    ASSERT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));

    std::string idat;
    std::vector<std::string> types;
    for (std::size_t at = 8; at + 12 <= png.size();) {
        const std::uint32_t length = bigEndian(png, at);
        ASSERT_LE(at + 12 + length, png.size());
        const std::string type = png.substr(at + 4, 4);
        types.push_back(type);
        const auto* start = reinterpret_cast<const Bytef*>(png.data() + at + 4);
        EXPECT_EQ(crc32(0L, start, length + 4), bigEndian(png, at + 8 + length)) << type;
        if (type == "IHDR") {
            EXPECT_EQ(bigEndian(png, at + 8), 7U);
            EXPECT_EQ(bigEndian(png, at + 12), 3U);
        } else if (type == "IDAT") {
            idat += png.substr(at + 8, length);
        }
        at += 12 + length;
    }
    EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));

    std::string raw(3 * (1 + 7 * 3), '\0');
    uLongf size = raw.size();
    ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(raw.data()), &size,
                         reinterpret_cast<const Bytef*>(idat.data()), idat.size()),
              Z_OK);
    ASSERT_EQ(size, raw.size());
    const auto at = [&](int x, int y, int channel) {
        return static_cast<int>(static_cast<unsigned char>(raw[y * 22 + 1 + x * 3 + channel]));
    };
    EXPECT_EQ(raw[0], '\0') << "filter type";
    EXPECT_EQ(at(0, 0, 0), 9) << "the line went over the first pixel";
    EXPECT_EQ(at(1, 1, 2), 9);
    EXPECT_EQ(at(6, 2, 0), 1);
    EXPECT_EQ(at(4, 2, 0), 255);
    EXPECT_EQ(at(3, 0, 1), 255);
}

TEST(ImageTest, TextIsDrawnWithinItsWidth) {
    Image image(80, 20, {255, 255, 255});
    const int width = image.text(2, 2, "W-d 10%", {0, 0, 0}, 2);
    EXPECT_EQ(width, Image::textWidth("W-d 10%", 2));
    int dark = 0;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 80; ++x) {
            if (image.pixel(x, y).r == 0) {
                ++dark;
                EXPECT_GE(x, 2);
                EXPECT_LT(x, 2 + width);
                EXPECT_LT(y, 2 + 14);
            }
        }
    }
    EXPECT_GT(dark, 50);
}

}  // namespace
}  // namespace zamo::stats
