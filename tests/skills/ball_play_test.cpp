#include <cmath>

#include "tests/skills/skills_fixture.h"

namespace zamo::test {
namespace {

// An own meeting point: the player at the origin facing +x, the ball at `ball`.
InterceptResult meeting(Vec2 ball, int dashCycles = 3) {
    InterceptResult result;
    result.targetPosition = ball;
    result.dashCycles = dashCycles;
    result.reach = 1.085;
    result.dashAccel = 0.6;
    return result;
}

using ApproachDashTest = SkillsTest;

TEST_F(ApproachDashTest, WorkedExamples) {
    // Far away: full dash.
    EXPECT_DOUBLE_EQ(skills.approachDash(meeting({10, 0}), true, false, 0.22, false, 0.2), 0.6);
    // 0.8 m ahead: the run of 0.58 would leave 0.22 m, so it stops at the gap of 0.585 m.
    EXPECT_NEAR(skills.approachDash(meeting({0.8, 0}), true, false, 0.22, false, 0.2), 0.215,
                1e-12);
    // 1.2 m to the side: out of reach whatever the run, so the full dash limit.
    EXPECT_DOUBLE_EQ(skills.approachDash(meeting({0.5, 1.2}), true, false, 0.22, false, 0.2), 0.6);
    // 0.3 m behind: the wanted run -0.885 is beyond -0.6 and a full backward dash leaves the
    // ball only 0.3 m away, so step forwards to leave it 0.585 m behind the centre.
    EXPECT_NEAR(skills.approachDash(meeting({-0.3, 0}), true, false, 0.22, false, 0.2), 0.285,
                1e-12);
}

TEST_F(ApproachDashTest, BodyLineFrameAndLimits) {
    // The same 0.8 m example with the body along +y and the player elsewhere.
    InterceptResult result = meeting({3, 2.8});
    result.driftPosition = {3, 2};
    result.bodyDirection = 90.0;
    EXPECT_NEAR(skills.approachDash(result, true, false, 0.22, false, 0.2), 0.215, 1e-12);
    // The caller's acceleration limits the full dash.
    result = meeting({10, 0});
    result.dashAccel = 0.3;
    EXPECT_DOUBLE_EQ(skills.approachDash(result, true, false, 0.22, false, 0.2), 0.3);
    EXPECT_DOUBLE_EQ(skills.approachDash(meeting({-10, 0}), true, false, 0.0, true, 0.0), -0.6);
    // Exhausted: no backward dash for a ball ahead, and none at all.
    self.stamina = 1000.0;
    EXPECT_DOUBLE_EQ(skills.approachDash(meeting({10, 0}), true, false, 0.22, false, 0.2), 0.0);
    EXPECT_DOUBLE_EQ(skills.approachDash(meeting({-10, 0}), true, false, 0.22, false, 0.2), 0.0);
}

TEST_F(ApproachDashTest, NoDashWhenOutOfReachAndNotHurried) {
    const InterceptResult result = meeting({1.6, 0.8});
    EXPECT_EQ(skills.approachDash(result, false, false, 0.0, false, 0.2), kNoValue);
    EXPECT_DOUBLE_EQ(skills.approachDash(result, true, false, 0.0, false, 0.2), 0.6);
    // Absolute run and gap: run to 0.5 m of a ball 0.9 m ahead.
    EXPECT_NEAR(skills.approachDash(meeting({0.9, 0}), true, true, 0.4, true, 0.5), 0.4, 1e-12);
    EXPECT_DOUBLE_EQ(skills.approachDash(meeting({0.5, 0}), true, true, 0.0, true, 0.3), 0.0);
}

using SafeBallSpotTest = SkillsTest;

TEST_F(SafeBallSpotTest, NobodyNearOrOneAhead) {
    Vec2 spot;
    EXPECT_FALSE(skills.safeBallSpot(0.0, spot));  // own place unknown
    placeSelf({0, 0}, 0.0);
    place(PlayerSide::kOpponent, 3, {5, 0});
    EXPECT_TRUE(skills.safeBallSpot(0.0, spot));
    EXPECT_EQ(spot, (Vec2{kNoValue, kNoValue}));
    // One opponent ahead: keep the ball behind.
    place(PlayerSide::kOpponent, 3, {1.5, 0});
    EXPECT_TRUE(skills.safeBallSpot(0.0, spot));
    expectNear(spot, {-0.885, 0});
}

TEST_F(SafeBallSpotTest, RingsCoveredOneAfterTheOther) {
    placeSelf({0, 0}, 0.0);
    Vec2 spot;
    // 0.1 m: every ring is covered (thresholds 0.2, 0.15 and 0.1 m).
    place(PlayerSide::kOpponent, 3, {0.1, 0});
    EXPECT_FALSE(skills.safeBallSpot(0.0, spot));
    expectNear(spot, {0.985, 0});
    // 0.18 m: the first ring is covered, the second is not.
    place(PlayerSide::kOpponent, 3, {0.18, 0});
    EXPECT_TRUE(skills.safeBallSpot(0.0, spot));
    expectNear(spot, {-0.935, 0});
    // A goalie reaches 2 m: at 1 m it covers all three rings.
    PlayerRecord& keeper = place(PlayerSide::kOpponent, 3, {1.0, 0});
    keeper.goalieTime = kNow;
    keeper.goalie = 1;
    EXPECT_FALSE(skills.safeBallSpot(0.0, spot));
}

TEST_F(SafeBallSpotTest, TwoOpponentsLeaveTheWiderArc) {
    placeSelf({0, 0}, 0.0);
    // Both a little ahead: the free arc behind is the wider one.
    place(PlayerSide::kOpponent, 3, {0.5, 1.5});
    place(PlayerSide::kOpponent, 4, {0.5, -1.5});
    Vec2 spot;
    EXPECT_TRUE(skills.safeBallSpot(0.0, spot));
    EXPECT_NEAR(distance(spot, {0, 0}), 0.885, 1e-9);
    EXPECT_LT(spot.x, -0.88);
    // Both a little behind: the arc in front wins.
    place(PlayerSide::kOpponent, 3, {-0.5, 1.5});
    place(PlayerSide::kOpponent, 4, {-0.5, -1.5});
    EXPECT_TRUE(skills.safeBallSpot(0.0, spot));
    EXPECT_GT(spot.x, 0.88);
}

TEST_F(SafeBallSpotTest, ArcAcrossTheSeamIsSeenWhole) {
    // Opponents ahead-left and ahead-right leave one free arc straight behind, across -180/180.
    placeSelf({0, 0}, 0.0, Vec2{0, 0});
    place(PlayerSide::kOpponent, 3, {1.2, 1.0});
    place(PlayerSide::kOpponent, 4, {1.2, -0.9});
    Vec2 spot;
    EXPECT_TRUE(skills.safeBallSpot(0.0, spot));
    // The middle of the whole arc lies near straight behind; either half alone would not.
    EXPECT_LT(spot.x, -0.88);
    EXPECT_LT(std::abs(spot.y), 0.1);
}

using PressureTest = SkillsTest;

TEST_F(PressureTest, OwnGoalAhead) {
    placeSelf({-40, 0}, 180.0);
    EXPECT_FALSE(skills.ownGoalNotAhead());
    placeSelf({10, 0}, 180.0);
    EXPECT_TRUE(skills.ownGoalNotAhead());
    placeSelf({-40, 0}, 0.0);
    EXPECT_TRUE(skills.ownGoalNotAhead());
    // Pointing past the post.
    placeSelf({-40, 20}, 180.0);
    EXPECT_TRUE(skills.ownGoalNotAhead());
}

TEST_F(PressureTest, NearestOpponentSide) {
    EXPECT_EQ(skills.nearestOpponentSide(), 0);
    placeSelf({0, 0}, 90.0);
    place(PlayerSide::kOpponent, 2, {2.78, 0});
    EXPECT_EQ(skills.nearestOpponentSide(), 0);
    place(PlayerSide::kOpponent, 2, {2.77, 0});
    // Facing +y, a player at +x stands on the right.
    EXPECT_EQ(skills.nearestOpponentSide(), 2);
    place(PlayerSide::kOpponent, 2, {-2.77, 0});
    EXPECT_EQ(skills.nearestOpponentSide(), 1);
    // Facing +x from here on.
    placeSelf({0, 0}, 0.0);
    place(PlayerSide::kOpponent, 2, {1, 1});
    place(PlayerSide::kOpponent, 3, {1, -1});
    // Equal distances: the later number wins.
    EXPECT_EQ(skills.nearestOpponentSide(), 2);
    place(PlayerSide::kOpponent, 2, {0.5, 1});
    EXPECT_EQ(skills.nearestOpponentSide(), 1);
    // Places one cycle ahead decide who is near; the side is the observed one.
    place(PlayerSide::kOpponent, 3, {3, -0.2}, std::nullopt, Vec2{-2.9, 0});
    EXPECT_EQ(skills.nearestOpponentSide(), 2);
}

}  // namespace
}  // namespace zamo::test
