#include "agent/perception/landmarks.h"

#include <gtest/gtest.h>

#include <charconv>
#include <set>
#include <string>
#include <vector>

namespace zamo {
namespace {

std::vector<std::string_view> words(std::string_view name) {
    std::vector<std::string_view> result;
    while (!name.empty()) {
        const std::size_t blank = name.find(' ');
        result.push_back(name.substr(0, blank));
        name = blank == std::string_view::npos ? std::string_view() : name.substr(blank + 1);
    }
    return result;
}

TEST(LandmarksTest, TableHasUniqueNamesInIndexOrderAndIsFoundByName) {
    const auto& table = landmarkTable();
    std::set<std::string_view> names;
    for (int i = 0; i <= kLandmarkCount; ++i) {
        EXPECT_EQ(table[i].index, i);
        EXPECT_TRUE(names.insert(table[i].name).second) << table[i].name;
        if (i < kLandmarkCount) {
            EXPECT_EQ(findLandmark(table[i].name), i) << table[i].name;
        }
    }
    EXPECT_EQ(table[kUnknownLandmark].name, "Unknown");
    EXPECT_EQ(table[kUnknownLandmark].x, -32768.0);
    EXPECT_EQ(findLandmark("Unknown"), kUnknownLandmark);
    EXPECT_EQ(findLandmark("r b 3"), kUnknownLandmark);
    EXPECT_EQ(findLandmark("r b 30 "), kUnknownLandmark);
    EXPECT_EQ(findLandmark(""), kUnknownLandmark);
    EXPECT_EQ(findLandmark(std::string_view("c\0", 2)), kUnknownLandmark);
    EXPECT_EQ(findLandmark("r b 30 r b 30"), kUnknownLandmark);
    EXPECT_EQ(findLandmark("l t 30"), 39);
    EXPECT_EQ(findLandmark("r b 30"), 52);
    EXPECT_EQ(findLandmark("c"), 0);
}

// The outer flags' coordinates follow from their names: 5 m beyond the lines, at the distance
// the number gives from the centre line or the middle of the goal line.
TEST(LandmarksTest, OuterFlagPositionsFollowFromTheirNames) {
    int checked = 0;
    for (int i = 0; i < kLandmarkCount; ++i) {
        const Landmark& flag = landmarkTable()[i];
        const std::vector<std::string_view> w = words(flag.name);
        int offset = 0;
        const std::string_view number = w.back();
        if (std::from_chars(number.data(), number.data() + number.size(), offset).ec !=
            std::errc()) {
            continue;
        }
        const double signedOffset =
            w.size() == 3 && (w[1] == "l" || w[1] == "t") ? -offset : offset;
        if (w[0] == "t" || w[0] == "b") {
            EXPECT_EQ(flag.y, w[0] == "t" ? -39.0 : 39.0) << flag.name;
            EXPECT_EQ(flag.x, signedOffset) << flag.name;
        } else {
            EXPECT_EQ(flag.x, w[0] == "l" ? -57.5 : 57.5) << flag.name;
            EXPECT_EQ(flag.y, signedOffset) << flag.name;
        }
        ++checked;
    }
    EXPECT_EQ(checked, 36);
}

TEST(LandmarksTest, FieldPointsSitOnTheLinesAndAreas) {
    struct Expected {
        std::string_view name;
        double x;
        double y;
    };
    const Expected expected[] = {
        {"c t", 0, -34},        {"l b", -52.5, 34},     {"r t", 52.5, -34},
        {"p l t", -36, -20.16}, {"p r c", 36, 0},       {"p r b", 36, 20.16},
        {"g l b", -52.5, 7.01}, {"g r t", 52.5, -7.01}, {"g r b", 52.5, 7.01},
    };
    for (const Expected& e : expected) {
        const Landmark& flag = landmarkTable()[findLandmark(e.name)];
        EXPECT_EQ(flag.x, e.x) << e.name;
        EXPECT_EQ(flag.y, e.y) << e.name;
    }
}

}  // namespace
}  // namespace zamo
