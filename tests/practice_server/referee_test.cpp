#include "tools/practice_server/referee.h"

#include <gtest/gtest.h>

#include <array>

namespace zamo::practice {
namespace {

constexpr double kEps = 1e-9;

TEST(PracticeReferee, BallIsOutOnlyWhenWhollyOverALine) {
    const ServerParams params;
    // The centre may lie up to the ball's radius (0.085) beyond a line.
    EXPECT_FALSE(judgeBall(params, {10, 33.9}, {10, 34.08}, kLeft));
    EXPECT_FALSE(judgeBall(params, {52.0, 20}, {52.58, 20}, kLeft));
    EXPECT_FALSE(judgeBall(params, {0, 0}, {-52.5, -34}, kRight));
    EXPECT_TRUE(judgeBall(params, {10, 33.9}, {10, 34.09}, kLeft));
    // Just outside the post it is not a goal.
    const auto wide = judgeBall(params, {52.0, 7.02}, {53.0, 7.02}, kRight);
    ASSERT_TRUE(wide.has_value());
    EXPECT_NE(wide->mode, kGoalL);
}

TEST(PracticeReferee, DecisionsAndPlacesByLineCrossedAndLastTouch) {
    const ServerParams params;
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
        // Goal line: an attacker's touch gives a goal kick from the goal area corner
        // (52.5 - 5.5, 18.32 / 2), a defender's a corner 1 m inside both lines.
        {{52.0, 10}, {53.0, 10}, kLeft, kGoalKickR, {47.0, 9.16}},
        {{52.0, 10}, {53.0, 10}, kRight, kCornerKickL, {51.5, 33.0}},
        {{-52.0, -20}, {-53.0, -20}, kRight, kGoalKickL, {-47.0, -9.16}},
        {{-52.0, -20}, {-53.0, -20}, kLeft, kCornerKickR, {-51.5, -33.0}},
        // Side line: a kick-in where the ball crossed, never beyond the corner.
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
    }
}

TEST(PracticeReferee, SetPlaysBelongToTheirSide) {
    const std::pair<PlayMode, int> cases[] = {{kKickOffL, kLeft},  {kCornerKickR, kRight},
                                              {kGoalKickL, kLeft}, {kKickInR, kRight},
                                              {kPlayOn, 0},        {kBeforeKickOff, 0}};
    for (const auto& [mode, side] : cases) {
        EXPECT_EQ(setPlaySide(mode), side) << playModeName(mode);
    }
}

TEST(PracticeReferee, KickOffPlacesPlayersInTheirHalfAndOutOfTheCircle) {
    std::array<PlayerState, 4> players{};
    for (PlayerState& p : players) {
        p.active = true;
    }
    players[0].side = kLeft;
    players[0].pos = {5, 3};  // kicking side, in the other half
    players[1].side = kLeft;
    players[1].pos = {-0.5, 0};  // kicking side, at the ball: stays
    players[2].side = kRight;
    players[2].pos = {3, 4};  // defending side, in the circle
    players[3].side = kRight;
    players[3].pos = {3, -37};  // off the field: untouched
    placeForKickOff(players, kLeft);
    EXPECT_EQ(players[0].pos, (Vec2{0, 3}));
    EXPECT_EQ(players[1].pos, (Vec2{-0.5, 0}));
    EXPECT_NEAR(players[2].pos.x, 3 * 9.15 / 5, kEps);
    EXPECT_NEAR(players[2].pos.y, 4 * 9.15 / 5, kEps);
    EXPECT_EQ(players[3].pos, (Vec2{3, -37}));
}

}  // namespace
}  // namespace zamo::practice
