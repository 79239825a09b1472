#include "tools/practice_server/visual.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tools/practice_server/physics.h"

namespace zamo::practice {
namespace {

// The numbers of every object of a see message, by the object's name ("f r 0", "b", ...).
std::map<std::string, std::vector<std::string>> seenObjects(const std::string& see) {
    std::map<std::string, std::vector<std::string>> objects;
    std::size_t at = see.find("((");
    while (at != std::string::npos) {
        const std::size_t nameEnd = see.find(')', at);
        const std::size_t itemEnd = see.find(')', nameEnd + 1);
        const std::string name = see.substr(at + 2, nameEnd - at - 2);
        std::istringstream numbers(see.substr(nameEnd + 1, itemEnd - nameEnd - 1));
        std::vector<std::string> values;
        for (std::string v; numbers >> v;) {
            values.push_back(v);
        }
        objects[name] = values;
        at = see.find("((", itemEnd);
    }
    return objects;
}

PlayerState standing(int side, int number, Vec2 pos, double body) {
    PlayerState p;
    p.active = true;
    p.side = side;
    p.number = number;
    p.pos = pos;
    p.body = body;
    return p;
}

TEST(PracticeQuantisation, DistancesFollowTheLogarithmicModel) {
    // Moving objects are coarse: ln 12.7 = 2.54 rounds to 2.5 and e^2.5 = 12.18; landmarks keep
    // the 2.54 and e^2.54 = 12.68.
    EXPECT_NEAR(seenDistance(12.7, 0.1), 12.2, 1e-9);
    EXPECT_NEAR(seenDistance(12.7, 0.01), 12.7, 1e-9);
    // Below 1 m the logarithm is negative and rounds to the nearest step all the same.
    EXPECT_NEAR(seenDistance(0.9, 0.1), 0.9, 1e-9);
    EXPECT_EQ(seenDistance(0.0, 0.1), 0.0);
}

TEST(PracticeQuantisation, DirectionsAreWholeDegreesAndChangesQuantised) {
    EXPECT_EQ(seenDirection(19.6), 20);
    EXPECT_EQ(seenDirection(-43.4), -43);
    EXPECT_EQ(seenDirection(350.0), -10);
    EXPECT_EQ(seenDirection(180.0000000000002), 180);
    EXPECT_EQ(seenDirection(-179.6), 180);
    // A ball 7.4 m ahead running away at 2 m per cycle: 2 / 7.4 = 0.27 per cycle is quantised
    // to 0.28, times the seen distance (the recording shows 7.4 with 2.072).
    const SeenChanges away = seenChanges({7.4, 0.0}, {2.0, 0.0}, 7.4);
    EXPECT_NEAR(away.distChange, 2.072, 1e-9);
    EXPECT_NEAR(away.dirChange, 0.0, 1e-9);
    // Crossing at 0.5 m per cycle at 5 m: 0.1 rad = 5.73 degrees, quantised to 5.7; towards +y
    // is positive, like every direction.
    const SeenChanges across = seenChanges({5.0, 0.0}, {0.0, 0.5}, 5.0);
    EXPECT_NEAR(across.distChange, 0.0, 1e-9);
    EXPECT_NEAR(across.dirChange, 5.7, 1e-9);
    EXPECT_NEAR(seenChanges({0.0, 5.0}, {0.5, 0.0}, 5.0).dirChange, -5.7, 1e-9);
}

TEST(PracticeViewCone, WidthAndNeckDecideWhatIsInView) {
    const ServerParams params;
    struct Case {
        int width;
        double body;
        double neck;
        double direction;  // of an object 10 m away
        bool inView;
    };
    const Case cases[] = {
        {1, 0, 0, 44, true},      {1, 0, 0, 46, false},     {0, 0, 0, -22, true},
        {0, 0, 0, -23, false},    {2, 0, 0, 89, true},      {2, 0, 0, 91, false},
        {1, 170, 60, -140, true}, {1, 170, 60, 170, false},  // the head looks towards -130
    };
    for (const Case& c : cases) {
        PlayerState p = standing(kLeft, 1, {0, 0}, c.body);
        p.viewWidth = c.width;
        p.neck = c.neck;
        EXPECT_EQ(inViewCone(params, p, polar(10.0, c.direction)), c.inView)
            << c.width << " " << c.body << " " << c.neck << " " << c.direction;
    }
}

TEST(PracticeViewCone, LinesAreWhereTheHeadsRayLeavesTheField) {
    std::array<LineSighting, 4> lines;
    ASSERT_EQ(sightLines({45, 0}, 0.0, lines), 1);
    EXPECT_EQ(lines[0].line, 3);
    EXPECT_NEAR(lines[0].distance, 7.5, 1e-9);
    EXPECT_NEAR(lines[0].direction, 90.0, 1e-9);
    ASSERT_EQ(sightLines({49, 4}, -150.0, lines), 1);
    EXPECT_EQ(lines[0].line, 1);
    EXPECT_NEAR(lines[0].distance, 76.0, 1e-9);
    EXPECT_NEAR(lines[0].direction, -30.0, 1e-9);
    // Looking at the left line from inside at 30 degrees off its normal.
    ASSERT_EQ(sightLines({-42.5, 0}, 150.0, lines), 1);
    EXPECT_EQ(lines[0].line, 0);
    EXPECT_NEAR(lines[0].distance, 10.0 / std::cos(30.0 * M_PI / 180.0), 1e-9);
    EXPECT_NEAR(lines[0].direction, -60.0, 1e-9);
    // From outside, looking across the field: the line in front and the far one.
    ASSERT_EQ(sightLines({55, 0}, 180.0, lines), 2);
    EXPECT_EQ(lines[0].line, 3);
    EXPECT_NEAR(lines[0].distance, 2.5, 1e-9);
    EXPECT_EQ(lines[1].line, 0);
    EXPECT_NEAR(lines[1].distance, 107.5, 1e-9);
    // Looking away from the field from outside: nothing.
    EXPECT_EQ(sightLines({55, 0}, 0.0, lines), 0);
}

// The real server's message to a left player at (45, 0) facing 0, the ball at (45.6, 0); at
// low quality only directions remain.
TEST(PracticeSee, MatchesTheRealServersMessageOfAKnownScene) {
    const ServerParams params;
    std::array<PlayerState, 1> players{standing(kLeft, 1, {45, 0}, 0.0)};
    BallState ball;
    ball.pos = {45.6, 0};
    RandomSource random(1);
    const std::string see =
        buildSee(params, 2, players[0], players, ball, {"", "TestTeam", "Other"}, random);
    EXPECT_EQ(see.rfind("(see 2 ", 0), 0u);
    const auto real = seenObjects(
        "(see 2 ((f g r b) 10.3 43 0 0) ((g r) 7.5 0 0 0) ((f g r t) 10.3 -43 0 0) ((f r 0) 12.6 0 "
        "0 0) ((f r t 10) 16 -39 0 0) ((f r b 10) 16 39 0 0) ((b) 0.6 0 0 0) ((l r) 7.5 90))");
    EXPECT_EQ(seenObjects(see), real);

    players[0].viewQuality = 0;
    const auto low =
        seenObjects(buildSee(params, 0, players[0], players, ball, {"", "A", "B"}, random));
    EXPECT_EQ(low.at("b"), (std::vector<std::string>{"0"}));
    EXPECT_EQ(low.at("f r 0"), (std::vector<std::string>{"0"}));
    EXPECT_EQ(low.at("l r"), (std::vector<std::string>{"90"}));
}

// The real server's message to a right player at (49, 4) with body -150, the left player 1
// at (45, 0) facing 0 and the ball at (45.6, 0). Motion beyond 20 m is shown by chance, so
// only distances and directions are compared there.
TEST(PracticeSee, MatchesTheRealServersMessageSeenFromTheRightSide) {
    const ServerParams params;
    std::array<PlayerState, 2> players{standing(kRight, 1, {49, 4}, -150.0),
                                       standing(kLeft, 1, {45, 0}, 0.0)};
    BallState ball;
    ball.pos = {45.6, 0};
    RandomSource random(7);
    const auto ours = seenObjects(
        buildSee(params, 6, players[0], players, ball, {"", "TestTeam", "Other"}, random));
    const auto real = seenObjects(
        "(see 6 ((f c) 49.4 -25) ((f c t) 62.2 8) ((f l t) 108.9 -9) ((f g l b) 101.5 -32) ((g l) "
        "101.5 -28) ((f g l t) 102.5 -24) ((f p r c) 13.6 -13 -0 0) ((f p r t) 27.4 32) ((f p l "
        "b) 86.5 -41) ((f p l c) 84.8 -27) ((f p l t) 88.2 -14) ((f t 0) 65.4 11) ((f t r 10) 58 "
        "18) ((f t r 20) 51.9 26) ((f t r 30) 47 36) ((f t l 10) 73 6) ((f t l 20) 81.5 2) ((f t "
        "l 30) 90 -1) ((f t l 40) 98.5 -4) ((f t l 50) 107.8 -7) ((f l 0) 106.7 -28) ((f l t 10) "
        "107.8 -23) ((f l t 20) 108.9 -17) ((f l t 30) 112.2 -12) ((f l b 10) 106.7 -33) ((f l b "
        "20) 107.8 -39) ((f l b 30) 109.9 -44) ((b) 5.5 20 -0 0) ((p \"TestTeam\" 1) 5.5 15 -0 0 "
        "150 150) ((l t) 75.9 -30))");
    ASSERT_EQ(ours.size(), real.size());
    for (const auto& [name, values] : real) {
        const auto found = ours.find(name);
        ASSERT_NE(found, ours.end()) << name;
        EXPECT_EQ(found->second[0], values[0]) << name;
        EXPECT_EQ(found->second[1], values[1]) << name;
    }
    // Even the negative zero of the distance change is the real server's.
    EXPECT_EQ(ours.at("p \"TestTeam\" 1"), real.at("p \"TestTeam\" 1"));
}

TEST(PracticeSee, FarPlayersLoseNumberThenTeamAndNearbyUnseenAreAnonymous) {
    const ServerParams params;
    std::array<PlayerState, 5> players{
        standing(kLeft, 1, {0, 0}, 0.0), standing(kRight, 2, {10, 0}, 180.0),
        standing(kRight, 3, {45, 1}, 0.0), standing(kRight, 4, {-2, 0}, 0.0),
        standing(kLeft, 5, {-20, 0}, 0.0)};
    players[3].goalie = true;
    players[1].tackleExpires = 3;
    BallState ball;
    ball.pos = {0, 2.5};  // 90 degrees off, but within the visible distance
    RandomSource random(3);
    const auto seen =
        seenObjects(buildSee(params, 0, players[0], players, ball, {"", "A", "B"}, random));
    // Near: number, motion, body 180 - 0 and head 180 - 0 seen folded to 180, and tackling.
    EXPECT_EQ(seen.at("p \"B\" 2"),
              (std::vector<std::string>{"10", "0", "0", "0", "180", "180", "t"}));
    // 45 m: beyond where numbers are ever shown, and the team only by chance.
    const bool withTeam = seen.count("p \"B\"") == 1;
    EXPECT_TRUE(withTeam || seen.count("p") == 1);
    EXPECT_EQ((withTeam ? seen.at("p \"B\"") : seen.at("p")).size(), 2u);
    EXPECT_EQ(seen.at("B"), (std::vector<std::string>{"2.5", "90"}));
    EXPECT_EQ(seen.at("P"), (std::vector<std::string>{"2", "180"}));
    EXPECT_EQ(seen.count("p \"A\" 5"), 0u);  // 20 m behind: not seen at all
}

}  // namespace
}  // namespace zamo::practice
