#include "agent/strategy/shot_pass_selector.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "agent/strategy/positioning.h"
#include "skills/skills_fixture.h"

namespace zamo {
namespace {

using test::expectNear;
constexpr PlayerSide kMate = PlayerSide::kTeammate;
constexpr PlayerSide kOpp = PlayerSide::kOpponent;

class ShotPassTest : public test::SkillsTest {
  protected:
    ShotPassTest() { config.uniformNumber = 7; }

    // The own player with the ball touching its front.
    void withBallAt(Vec2 own) {
        placeSelf(own, 0.0);
        placeBall({own.x + 0.5, own.y});
    }

    // Two opponents far up the left wing put the offside line at x = 50.
    void deepOpponents() {
        place(kOpp, 10, {50, -30});
        place(kOpp, 11, {51, -31});
    }

    Positioning positioning{params, geometry, config, history, skills};
    ShotPassSelector selector{params, geometry, config, history, skills, positioning};
};

TEST_F(ShotPassTest, WithNoOpponentTheFirstCandidateOfTheBallsBandIsShotAt) {
    const std::pair<double, Vec2> bands[] = {
        {6.0, {52.5, 5.51}},  {4.0, {52.5, 4.0}},   {3.0, {52.5, 3.0}},    {0.0, {52.5, 0.0}},
        {-3.6, {52.5, -3.6}}, {-5.5, {52.5, -5.5}}, {-6.0, {52.5, -5.51}},
    };
    for (const auto& [y, expected] : bands) {
        withBallAt({40, y});
        const auto shot = selector.chooseShotTarget();
        ASSERT_TRUE(shot) << y;
        expectNear(shot->target, expected, 1e-9);
        const double speed = skills.strongestKickSpeed(geometry.directionTo({40.5, y}, expected));
        EXPECT_EQ(shot->cycles, skills.ballCyclesToTravel(distance({40.5, y}, expected), speed));
    }
    withBallAt({40, 3});
    EXPECT_EQ(selector.chooseShotTarget()->cycles, 6);  // 12 m at 2.59 m/cycle, decaying
}

TEST_F(ShotPassTest, ShotsArePlannedAtTheSpeedThisCyclesKickCanGive) {
    withBallAt({40, 0});
    // The ball touching the front: 0.959 of the full kick rate, 2.59 m/cycle.
    EXPECT_NEAR(skills.strongestKickSpeed(0.0), 0.027 * 100.0 * (1.0 - 0.25 * 0.115 / 0.7), 1e-9);
    // Rolling along the shot, the kick adds to the motion up to the ball's top speed.
    const Vec2 ball{40.5, 0.0};
    placeBall(ball, Vec2{1.0, 0.0});
    EXPECT_DOUBLE_EQ(skills.strongestKickSpeed(0.0), params.ballSpeedMax);
    // Rolling across it, part of the kick straightens the ball out.
    placeBall(ball, Vec2{0.0, 1.0});
    const double across = skills.strongestKickSpeed(0.0);
    EXPECT_LT(across, 2.58);
    EXPECT_NEAR(across * across + 1.0, 2.589 * 2.589, 0.01);
    // Too fast across: no kick puts it onto the line, and no shot is planned.
    placeBall(ball, Vec2{-1.0, 2.7});
    EXPECT_DOUBLE_EQ(skills.strongestKickSpeed(0.0), 0.0);
    EXPECT_FALSE(selector.chooseShotTarget());
    // Rolling back fast, the kick leaves the shot too slow to be worth taking.
    placeBall(ball, Vec2{-1.5, 0.0});
    EXPECT_LT(skills.strongestKickSpeed(0.0), kMinShotSpeedShare * params.ballSpeedMax);
    EXPECT_FALSE(selector.chooseShotTarget());
}

TEST_F(ShotPassTest, ShootsOnlyWhenTheKickReachesTheGoal) {
    withBallAt({0, 0});
    EXPECT_FALSE(selector.canShootFrom(world().ballPosition));
    EXPECT_FALSE(selector.chooseShotTarget());
    withBallAt({10, 0});  // a full kick rolls about 43 m
    EXPECT_TRUE(selector.canShootFrom(world().ballPosition));
    // Beside the goal the distance to the near post counts.
    EXPECT_TRUE(selector.canShootFrom({20, 7.0}));
    EXPECT_FALSE(selector.canShootFrom({10, 30}));

    withBallAt({40, 3});
    world().teammates[6].bodyTime = kNoTime;
    EXPECT_FALSE(selector.chooseShotTarget());
}

TEST_F(ShotPassTest, AnOpponentInTheWayMovesTheShotElsewhere) {
    withBallAt({40, 3});
    EXPECT_EQ(selector.fastestOpponentToShot({52.5, 3}), kUnreachableCycles);
    place(kOpp, 1, {47, 3.5}, 180.0);
    const int inTheWay = selector.fastestOpponentToShot({52.5, 3});
    const int aside = selector.fastestOpponentToShot({52.5, -5.51});
    EXPECT_LT(inTheWay, aside);
    const auto shot = selector.chooseShotTarget();
    ASSERT_TRUE(shot);
    EXPECT_NE(shot->target, (Vec2{52.5, 3}));
}

TEST_F(ShotPassTest, AShotTheDefendersGetToFirstIsTakenOnlyWithinTheGivenMargin) {
    withBallAt({40, 0});
    place(kOpp, 1, {51, 0}, 180.0);
    place(kOpp, 2, {46, 2.5}, 180.0);
    place(kOpp, 3, {46, -2.5}, 180.0);
    int best = -kUnreachableCycles;
    Vec2 bestTarget;
    for (const Vec2 target : {Vec2{52.5, 0.0}, Vec2{52.5, -5.51}, Vec2{52.5, 5.51}}) {
        const double speed = skills.strongestKickSpeed(geometry.directionTo({40.5, 0}, target));
        const int ball = skills.ballCyclesToTravel(distance({40.5, 0}, target), speed);
        const int margin = selector.fastestOpponentToShot(target, speed) - ball;
        if (margin > best) {
            best = margin;
            bestTarget = target;
        }
    }
    ASSERT_LT(best, 0);
    EXPECT_FALSE(selector.chooseShotTarget());
    EXPECT_FALSE(selector.chooseShotTarget(best));
    const auto shot = selector.chooseShotTarget(best - 1);
    ASSERT_TRUE(shot);
    EXPECT_EQ(shot->target, bestTarget);
}

TEST_F(ShotPassTest, DirectPassesNeedBetweenFiveAndAHalfAndSixtyMetres) {
    deepOpponents();
    withBallAt({0, 0});
    place(kMate, 2, {5.5, 0});
    auto pass = selector.choosePass(false);
    ASSERT_TRUE(pass);
    EXPECT_EQ(pass->target, (Vec2{5.5, 0}));

    place(kMate, 2, {5.4, 0});
    pass = selector.choosePass(false);
    EXPECT_TRUE(!pass || pass->target != (Vec2{5.4, 0}));

    withBallAt({-30, 0});
    place(kMate, 2, {29.9, 0});
    pass = selector.choosePass(false);
    ASSERT_TRUE(pass);
    EXPECT_EQ(pass->target, (Vec2{29.9, 0}));
    place(kMate, 2, {30, 0});
    EXPECT_FALSE(selector.choosePass(false));
}

TEST_F(ShotPassTest, TheGoalieOnlyPassesWellAhead) {
    config.isGoalie = 1;
    withBallAt({-45, 0});
    place(kMate, 2, {-37, 10});
    EXPECT_FALSE(selector.choosePass(false));
    place(kMate, 2, {-36.9, 10});
    const auto pass = selector.choosePass(false);
    ASSERT_TRUE(pass);
    EXPECT_EQ(pass->target, (Vec2{-36.9, 10}));
}

TEST_F(ShotPassTest, AShortDirectPassGivesWayToAThroughPassOffTheTouchLine) {
    deepOpponents();
    withBallAt({0, 0});
    place(kMate, 2, {3, 15});
    auto pass = selector.choosePass(false);
    ASSERT_TRUE(pass);
    expectNear(pass->target, {30.45, 15});
    // Strict play keeps to the direct pass.
    const auto strict = selector.choosePass(true);
    ASSERT_TRUE(strict);
    EXPECT_EQ(strict->target, (Vec2{3, 15}));

    // Through passes keep five metres from the touch line.
    withBallAt({8, 0});
    place(kMate, 2, {10, 28});
    pass = selector.choosePass(false);
    ASSERT_TRUE(pass);
    expectNear(pass->target, {37.45, 28});

    for (const double y : {30.0, 29.5}) {
        place(kMate, 2, {10, y});
        pass = selector.choosePass(false);
        ASSERT_TRUE(pass) << y;
        EXPECT_LT(pass->target.y, 29) << y;
    }
}

TEST_F(ShotPassTest, ReceiversMustBeFreshOnsideAndNotTheGoalie) {
    deepOpponents();
    withBallAt({-20, 0});
    PlayerRecord& mate = place(kMate, 2, {0, 10});
    mate.positionTime = kNow - 1;
    EXPECT_TRUE(selector.choosePass(false));
    EXPECT_FALSE(selector.choosePass(true));
    mate.positionTime = kNow - 2;
    EXPECT_FALSE(selector.choosePass(false));
    withBallAt({-10, 0});
    EXPECT_TRUE(selector.choosePass(false));
    withBallAt({-27, 0});
    mate.positionTime = kNow - 1;
    EXPECT_FALSE(selector.choosePass(false));

    withBallAt({-10, 0});
    mate.goalieTime = kNow;
    mate.goalie = 1;
    EXPECT_FALSE(selector.choosePass(false));
    mate.goalie = 0;
    place(kOpp, 10, {5, 30});  // the offside line moves to x = 5
    place(kMate, 2, {6, 10});
    EXPECT_FALSE(selector.choosePass(false));
    place(kMate, 2, {5, 10});
    EXPECT_TRUE(selector.choosePass(false));
}

TEST_F(ShotPassTest, AnOpponentOnThePassLineMakesItUnsafe) {
    withBallAt({0, 0});
    place(kMate, 2, {20, 0});
    // Planned at half the ball's top speed: 20 m in trunc(20 / 1.35) cycles, or
    // trunc(20 / 1.5) with the top speed of the current server.
    EXPECT_EQ(selector.passSafe(1, {20, 0}), 14);
    params.ballSpeedMax = 3.0;
    EXPECT_EQ(selector.passSafe(1, {20, 0}), 13);
    place(kOpp, 1, {10, 1}, 180.0);
    EXPECT_FALSE(selector.passSafe(1, {20, 0}));
    EXPECT_FALSE(selector.throughPassSafe(1, {25, 0}, 0));
    place(kOpp, 1, {10, 25}, 90.0);
    EXPECT_TRUE(selector.throughPassSafe(1, {25, 0}, 0));
}

TEST_F(ShotPassTest, APassTheKickCannotGiveAtPaceGoesAtTheSpeedItCanWhenThatGetsThere) {
    withBallAt({0, 0});
    place(kMate, 2, {20.5, 0}, 180.0);
    params.ballSpeedMax = 3.0;
    // At pace: 20 m in 13 cycles, a first speed of 2.17.
    EXPECT_EQ(selector.passSafe(1, {20.5, 0}), 13);
    // Rolling back at 1 m/cycle the kick gives 1.59 at most: the pass takes longer.
    placeBall({0.5, 0}, Vec2{-1.0, 0.0});
    const double strongest = skills.strongestKickSpeed(0.0);
    ASSERT_GT(strongest, 1.2);
    ASSERT_LT(strongest, 2.0);
    EXPECT_EQ(selector.passSafe(1, {20.5, 0}), skills.ballCyclesToTravel(20.0, strongest));
    EXPECT_GT(*selector.passSafe(1, {20.5, 0}), 13);
    // Too slow to get there at all, the pass stays planned at pace: a hold comes first.
    placeBall({0.5, 0}, Vec2{-1.9, 0.0});
    ASSERT_LT(skills.strongestKickSpeed(0.0), 20.0 * (1.0 - params.ballDecay));
    EXPECT_EQ(selector.passSafe(1, {20.5, 0}), 13);
}

TEST_F(ShotPassTest, NoOpponentCloserIsStrict) {
    EXPECT_TRUE(selector.noOpponentCloser({0, 0}, {3, 4}));
    place(kOpp, 4, {0, 5});
    EXPECT_TRUE(selector.noOpponentCloser({0, 0}, {3, 4}));
    place(kOpp, 4, {0, 4.99});
    EXPECT_FALSE(selector.noOpponentCloser({0, 0}, {3, 4}));
}

}  // namespace
}  // namespace zamo
