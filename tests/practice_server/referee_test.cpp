#include "tools/practice_server/referee.h"

#include <gtest/gtest.h>

#include <array>

namespace zamo::practice {
namespace {

constexpr double kEps = 1e-9;

void expectDecision(const std::optional<BallOutDecision>& d, PlayMode mode, Vec2 place) {
    ASSERT_TRUE(d.has_value());
    EXPECT_EQ(d->mode, mode) << playModeName(d->mode);
    EXPECT_NEAR(d->place.x, place.x, kEps);
    EXPECT_NEAR(d->place.y, place.y, kEps);
}

TEST(PracticeReferee, BallIsOutOnlyWhenWhollyOverALine) {
    const ServerParams params;
    // The centre may lie up to the ball's radius (0.085) beyond a line.
    EXPECT_FALSE(judgeBall(params, {10, 33.9}, {10, 34.08}, kLeft));
    EXPECT_FALSE(judgeBall(params, {52.0, 20}, {52.58, 20}, kLeft));
    EXPECT_FALSE(judgeBall(params, {0, 0}, {-52.5, -34}, kRight));
    EXPECT_TRUE(judgeBall(params, {10, 33.9}, {10, 34.09}, kLeft));
}

TEST(PracticeReferee, GoalsBetweenThePosts) {
    const ServerParams params;
    expectDecision(judgeBall(params, {52.0, 3}, {53.0, 3.5}, kLeft), kGoalL, {0, 0});
    expectDecision(judgeBall(params, {-51.0, -6}, {-53.0, -6.5}, kLeft), kGoalR, {0, 0});
    // The crossing point decides: at x = 52.5 this ball is at y = 7.0, inside 14.02 / 2.
    expectDecision(judgeBall(params, {52.0, 6.5}, {53.0, 7.5}, kRight), kGoalL, {0, 0});
    // Just outside the post it is not a goal.
    const auto wide = judgeBall(params, {52.0, 7.02}, {53.0, 7.02}, kRight);
    ASSERT_TRUE(wide.has_value());
    EXPECT_NE(wide->mode, kGoalL);
}

TEST(PracticeReferee, GoalLineGivesGoalKickOrCornerByLastTouch) {
    const ServerParams params;
    // Over the right goal line at the bottom: a left attacker's touch gives the right side a
    // goal kick from the goal area corner (52.5 - 5.5, 18.32 / 2).
    expectDecision(judgeBall(params, {52.0, 10}, {53.0, 10}, kLeft), kGoalKickR, {47.0, 9.16});
    // The defender's touch gives a corner, 1 m inside both lines.
    expectDecision(judgeBall(params, {52.0, 10}, {53.0, 10}, kRight), kCornerKickL, {51.5, 33.0});
    // The same on the left side, at the top.
    expectDecision(judgeBall(params, {-52.0, -20}, {-53.0, -20}, kRight), kGoalKickL,
                   {-47.0, -9.16});
    expectDecision(judgeBall(params, {-52.0, -20}, {-53.0, -20}, kLeft), kCornerKickR,
                   {-51.5, -33.0});
}

TEST(PracticeReferee, SideLineGivesKickInWhereTheBallCrossed) {
    const ServerParams params;
    // Crossing y = 34 a third of the way from (10, 33.9) to (12, 34.2).
    expectDecision(judgeBall(params, {10, 33.9}, {12, 34.2}, kLeft), kKickInR,
                   {10.0 + 2.0 / 3.0, 34.0});
    expectDecision(judgeBall(params, {-30, -33.5}, {-31, -34.5}, kRight), kKickInL, {-30.5, -34});
    // Never placed beyond the corner.
    expectDecision(judgeBall(params, {52.3, 33.0}, {52.58, 34.2}, kRight), kKickInL, {52.5, 34.0});
}

TEST(PracticeReferee, NearTheCornerTheLineCrossedFirstDecides) {
    const ServerParams params;
    // Crosses x = 52.5 at a tenth of the way (y = 33.2), y = 34 at 90 %: goal line first.
    expectDecision(judgeBall(params, {52.4, 33.1}, {53.4, 34.1}, kLeft), kGoalKickR, {47.0, 9.16});
    // Crosses y = 34 at a tenth of the way (x = 51.6), x = 52.5 at 90 %: side line first.
    expectDecision(judgeBall(params, {51.5, 33.9}, {52.6, 34.9}, kLeft), kKickInR, {51.61, 34.0});
}

TEST(PracticeReferee, SetPlaysBelongToTheirSide) {
    EXPECT_EQ(setPlaySide(kKickOffL), kLeft);
    EXPECT_EQ(setPlaySide(kCornerKickR), kRight);
    EXPECT_EQ(setPlaySide(kGoalKickL), kLeft);
    EXPECT_EQ(setPlaySide(kKickInR), kRight);
    EXPECT_EQ(setPlaySide(kPlayOn), 0);
    EXPECT_EQ(setPlaySide(kBeforeKickOff), 0);
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
