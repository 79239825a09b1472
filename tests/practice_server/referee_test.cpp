#include "tools/practice_server/referee.h"

#include <gtest/gtest.h>

#include <array>
#include <tuple>
#include <utility>

namespace zamo::practice {
namespace {

constexpr double kEps = 1e-9;

TEST(PracticeReferee, DecisionsAndPlacesByLineCrossedAndLastTouch) {
    const ServerParams params;
    // The centre may lie up to the ball's radius (0.085) beyond a line.
    const std::pair<Vec2, Vec2> inside[] = {
        {{10, 33.9}, {10, 34.08}}, {{52.0, 20}, {52.58, 20}}, {{0, 0}, {-52.5, -34}}};
    for (const auto& [from, to] : inside) {
        EXPECT_FALSE(judgeBall(params, from, to, kLeft)) << to.x << "," << to.y;
    }
    struct Case {
        Vec2 from;
        Vec2 to;
        int lastTouch;
        PlayMode mode;
        Vec2 place;
    };
    const Case cases[] = {
        // Goals between the posts; the crossing point decides: y = 7.0 at x = 52.5 is inside.
        {{52.0, 3}, {53.0, 3.5}, kLeft, kGoalL, {0, 0}},
        {{-51.0, -6}, {-53.0, -6.5}, kLeft, kGoalR, {0, 0}},
        {{52.0, 6.5}, {53.0, 7.5}, kRight, kGoalL, {0, 0}},
        // Just outside the post it is no goal.
        {{52.0, 7.02}, {53.0, 7.02}, kRight, kCornerKickL, {51.5, 33.0}},
        // Goal line: an attacker's touch gives a goal kick from the goal area corner
        // (52.5 - 5.5, 18.32 / 2), a defender's a corner 1 m inside both lines.
        {{52.0, 10}, {53.0, 10}, kLeft, kGoalKickR, {47.0, 9.16}},
        {{52.0, 10}, {53.0, 10}, kRight, kCornerKickL, {51.5, 33.0}},
        {{-52.0, -20}, {-53.0, -20}, kRight, kGoalKickL, {-47.0, -9.16}},
        {{-52.0, -20}, {-53.0, -20}, kLeft, kCornerKickR, {-51.5, -33.0}},
        // Side line: a kick-in where the ball crossed, never beyond the corner.
        {{10, 33.9}, {10, 34.09}, kLeft, kKickInR, {10.0, 34.0}},
        {{10, 33.9}, {12, 34.2}, kLeft, kKickInR, {10.0 + 2.0 / 3.0, 34.0}},
        {{-30, -33.5}, {-31, -34.5}, kRight, kKickInL, {-30.5, -34}},
        {{52.3, 33.0}, {52.58, 34.2}, kRight, kKickInL, {52.5, 34.0}},
        // Near the corner the line crossed first decides: the goal line at a tenth of the way,
        // then the side line at a tenth of the way.
        {{52.4, 33.1}, {53.4, 34.1}, kLeft, kGoalKickR, {47.0, 9.16}},
        {{51.5, 33.9}, {52.6, 34.9}, kLeft, kKickInR, {51.61, 34.0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from.x << "," << c.from.y << " -> " << c.to.x << ","
                                        << c.to.y << " touched by " << c.lastTouch);
        const auto d = judgeBall(params, c.from, c.to, c.lastTouch);
        ASSERT_TRUE(d.has_value());
        EXPECT_EQ(d->mode, c.mode) << playModeName(d->mode);
        EXPECT_NEAR(d->place.x, c.place.x, kEps);
        EXPECT_NEAR(d->place.y, c.place.y, kEps);
        // A restart is the set play of the side that did not touch the ball last.
        const bool goal = c.mode == kGoalL || c.mode == kGoalR;
        EXPECT_EQ(setPlaySide(c.mode), goal ? 0 : otherSide(c.lastTouch));
    }
    EXPECT_EQ(setPlaySide(kKickOffR), kRight);
    EXPECT_EQ(setPlaySide(kPlayOn), 0);
}

TEST(PracticeReferee, KickOffPlacesPlayersInTheirHalfAndOutOfTheCircle) {
    std::array<PlayerState, 4> players{};
    const std::pair<int, Vec2> before[] = {
        {kLeft, {5, 3}},     // kicking side, in the other half
        {kLeft, {-0.5, 0}},  // kicking side, at the ball: stays
        {kRight, {3, 4}},    // defending side, in the circle
        {kRight, {3, -37}},  // off the field: untouched
    };
    for (std::size_t i = 0; i < players.size(); ++i) {
        players[i].active = true;
        std::tie(players[i].side, players[i].pos) = before[i];
    }
    placeForKickOff(players, kLeft);
    EXPECT_EQ(players[0].pos, (Vec2{0, 3}));
    EXPECT_EQ(players[1].pos, (Vec2{-0.5, 0}));
    EXPECT_NEAR(players[2].pos.x, 3 * 9.15 / 5, kEps);
    EXPECT_NEAR(players[2].pos.y, 4 * 9.15 / 5, kEps);
    EXPECT_EQ(players[3].pos, (Vec2{3, -37}));
}

}  // namespace
}  // namespace zamo::practice
