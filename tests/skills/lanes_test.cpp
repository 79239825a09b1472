#include "tests/skills/skills_fixture.h"

namespace zamo::test {
namespace {

class LanesTest : public SkillsTest {
  protected:
    const Vec2 start{0, 0};
    const Vec2 end{10, 0};

    bool opponentBlocks(Vec2 at, double margin = 0.0) {
        place(PlayerSide::kOpponent, 2, at);
        return skills.playerBlocksLane(start, end, PlayerSide::kOpponent, 1, margin);
    }
};

TEST_F(LanesTest, EmptyLane) {
    EXPECT_FALSE(skills.laneBlocked(start, end, true, true, 0.0));
    EXPECT_TRUE(skills.laneClear(start, end, true, true, true, 0.0));
    expectNear(skills.laneClearingShift(start, end, true, true, true, 0.0), end);
}

TEST_F(LanesTest, PlayerBounds) {
    // Sideways: the half-width is two player sizes, 0.6 m, and the bound is strict.
    EXPECT_TRUE(opponentBlocks({5, 0.59}));
    EXPECT_FALSE(opponentBlocks({5, 0.6}));
    EXPECT_TRUE(opponentBlocks({5, -0.59}));
    EXPECT_FALSE(opponentBlocks({5, -0.6}));
    // Level with the start does not block; a little ahead does, and a margin widens the lane.
    EXPECT_FALSE(opponentBlocks({0, 0.2}));
    EXPECT_TRUE(opponentBlocks({0.01, 0.2}));
    EXPECT_TRUE(opponentBlocks({0, 0.2}, 0.1));
    EXPECT_TRUE(opponentBlocks({5, 0.65}, 0.1));
    // Beyond the end by less than 0.6 m still blocks.
    EXPECT_TRUE(opponentBlocks({10.59, 0}));
    EXPECT_FALSE(opponentBlocks({10.6, 0}));
}

TEST_F(LanesTest, LaneAtAnAngleAndPredictedPositions) {
    // A lane up the y axis: the player's x is its sideways offset.
    place(PlayerSide::kTeammate, 3, {0.5, 5});
    EXPECT_TRUE(skills.playerBlocksLane(start, {0, 10}, PlayerSide::kTeammate, 2, 0.0));
    // Seen beside the lane but moving into it.
    place(PlayerSide::kTeammate, 4, {5, 1.0}, std::nullopt, Vec2{0, -0.5});
    EXPECT_TRUE(skills.playerBlocksLane(start, end, PlayerSide::kTeammate, 3, 0.0));
    EXPECT_FALSE(skills.playerBlocksLane(start, end, PlayerSide::kTeammate, 10, 0.0));
}

TEST_F(LanesTest, OwnPlayerNeverBlocks) {
    placeSelf({5, 0}, 0.0);
    EXPECT_FALSE(skills.playerBlocksLane(start, end, PlayerSide::kTeammate, 0, 0.0));
    EXPECT_FALSE(skills.laneBlocked(start, end, true, true, 0.0));
}

TEST_F(LanesTest, BallBounds) {
    EXPECT_FALSE(skills.ballBlocksLane(start, end, 0.0));
    placeBall({5, 0.38});
    EXPECT_TRUE(skills.ballBlocksLane(start, end, 0.0));
    EXPECT_FALSE(skills.laneClear(start, end, true, true, true, 0.0));
    EXPECT_TRUE(skills.laneClear(start, end, true, true, false, 0.0));
    placeBall({5, 0.39});
    EXPECT_FALSE(skills.ballBlocksLane(start, end, 0.0));
    placeBall({5, 0.39}, Vec2{0, -0.1});
    EXPECT_TRUE(skills.ballBlocksLane(start, end, 0.0));
}

TEST_F(LanesTest, SidesTestedSeparately) {
    place(PlayerSide::kOpponent, 7, {5, 0});
    EXPECT_TRUE(skills.laneBlocked(start, end, true, false, 0.0));
    EXPECT_FALSE(skills.laneBlocked(start, end, false, true, 0.0));
    EXPECT_TRUE(skills.laneClear(start, end, false, true, true, 0.0));
}

TEST_F(LanesTest, ShiftSidestepsTheNearestBlocker) {
    place(PlayerSide::kOpponent, 2, {5, 0});
    place(PlayerSide::kOpponent, 3, {1, 0});
    // 1.8 m towards the ball and 1.8 m to the side of the ball-blocker line.
    expectNear(skills.laneClearingShift(start, end, true, true, true, 0.0), {1.8, -1.8});
    // The own velocity moves the start first: now 2 m from the blocker, beyond 1.8 m.
    placeSelf({-1, 0}, 0.0, Vec2{-1.0, 0});
    expectNear(skills.laneClearingShift(start, end, true, true, true, 0.0), end);
    // Farther than 1.8 m from the start: the end is kept.
    player(PlayerSide::kTeammate, 1).positionTime = kNoTime;
    player(PlayerSide::kOpponent, 3).positionTime = kNoTime;
    expectNear(skills.laneClearingShift(start, end, true, true, true, 0.0), end);
}

TEST_F(LanesTest, ShiftAroundTheBall) {
    placeBall({0.5, 0});
    // The ball's clearance is 0.985 m.
    expectNear(skills.laneClearingShift(start, end, true, true, true, 0.0), {0.985, -0.985});
}

TEST_F(LanesTest, EqualBlockersFirstExaminedWins) {
    place(PlayerSide::kOpponent, 2, {1, -0.3});
    const Vec2 opponentOnly = skills.laneClearingShift(start, end, true, true, true, 0.0);
    place(PlayerSide::kTeammate, 2, {1, 0.3});
    const Vec2 both = skills.laneClearingShift(start, end, true, true, true, 0.0);
    player(PlayerSide::kOpponent, 2).positionTime = kNoTime;
    const Vec2 teammateOnly = skills.laneClearingShift(start, end, true, true, true, 0.0);
    EXPECT_GT(distance(opponentOnly, teammateOnly), 0.1);
    expectNear(both, teammateOnly);
}

}  // namespace
}  // namespace zamo::test
