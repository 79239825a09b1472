#include "tools/practice_server/physics.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

namespace zamo::practice {
namespace {

constexpr double kEps = 1e-9;
const ServerParams params;

PlayerState at(Vec2 pos, double body) {
    PlayerState p;
    p.active = true;
    p.pos = pos;
    p.body = body;
    p.stamina = 4000.0;
    p.effort = 1.0;
    p.recovery = 1.0;
    return p;
}

TEST(PracticeKick, AccelerationIsPowerTimesRateTimesEffectiveKickFactor) {
    const PlayerState p = at({0, 0}, 0.0);
    // Touching straight ahead (0.3 + 0.085 away): factor 1, 100 * 0.027 = 2.7 along body + 30.
    const Vec2 touching{0.385, 0.0};
    EXPECT_NEAR(effectiveKickFactor(params, p, touching), 1.0, kEps);
    const Vec2 a = kickAcceleration(params, p, touching, 100.0, 30.0);
    EXPECT_NEAR(a.x, 2.7 * std::cos(M_PI / 6), kEps);
    EXPECT_NEAR(a.y, 2.7 * std::sin(M_PI / 6), kEps);
    // At the edge of reach (1.085) and 90 degrees off the body:
    // 1 - 0.25 * 90 / 180 - 0.25 * 0.7 / 0.7 = 0.625.
    const Vec2 side{0.0, 1.085};
    EXPECT_NEAR(effectiveKickFactor(params, p, side), 0.625, kEps);
    const Vec2 b = kickAcceleration(params, p, side, 50.0, 0.0);
    EXPECT_NEAR(b.x, 50.0 * 0.027 * 0.625, kEps);
    EXPECT_NEAR(b.y, 0.0, kEps);
    // Out of reach, nothing; beyond the power limit, the limit.
    EXPECT_EQ(kickAcceleration(params, p, {1.09, 0.0}, 100.0, 0.0), (Vec2{}));
    EXPECT_NEAR(kickAcceleration(params, p, touching, 150.0, 0.0).x, 2.7, kEps);
}

TEST(PracticeKick, BallMovesWithTheKickThenDecaysAndKeepsItsSpeedLimit) {
    BallState ball;
    ball.pos = {10, 0};
    ball.vel = {1.0, 0.0};
    ball.accel = {1.5, 0.0};
    advanceBall(params, ball);
    // 1 + 1.5 = 2.5 m this cycle, then 2.5 * 0.94.
    EXPECT_NEAR(ball.pos.x, 12.5, kEps);
    EXPECT_NEAR(ball.vel.x, 2.35, kEps);
    EXPECT_EQ(ball.accel, (Vec2{}));
    ball.accel = {2.7, 0.0};
    advanceBall(params, ball);
    // 2.35 + 2.7 is over the 2.7 limit.
    EXPECT_NEAR(ball.pos.x, 15.2, kEps);
    EXPECT_NEAR(ball.vel.x, 2.7 * 0.94, kEps);
}

TEST(PracticeDash, AccelerationUsesEffortAndPaysStamina) {
    PlayerState p = at({0, 0}, 90.0);
    Vec2 a = dashAcceleration(params, p, 100.0);
    EXPECT_NEAR(a.x, 0.0, kEps);
    EXPECT_NEAR(a.y, 100.0 * 0.006, kEps);
    EXPECT_NEAR(p.stamina, 3900.0, kEps);
    // Backwards costs twice the power.
    p.body = 0.0;
    a = dashAcceleration(params, p, -50.0);
    EXPECT_NEAR(a.x, -50.0 * 0.006, kEps);
    EXPECT_NEAR(p.stamina, 3800.0, kEps);
    // A tired player: effort 0.8 and only 30 stamina left pays 30 and gets 0.8 * 0.006 * 30.
    p.effort = 0.8;
    p.stamina = 30.0;
    a = dashAcceleration(params, p, 100.0);
    EXPECT_NEAR(a.x, 0.8 * 0.006 * 30.0, kEps);
    EXPECT_NEAR(p.stamina, 0.0, kEps);
    p.stamina = 30.0;
    a = dashAcceleration(params, p, -100.0);
    EXPECT_NEAR(a.x, -0.8 * 0.006 * 15.0, kEps);
    EXPECT_NEAR(p.stamina, 0.0, kEps);
}

TEST(PracticeTurn, MomentAndNeckLimits) {
    PlayerState p = at({0, 0}, 0.0);
    EXPECT_NEAR(turnAngle(params, p, 90.0), 90.0, kEps);
    EXPECT_NEAR(turnAngle(params, p, -400.0), -180.0, kEps);
    EXPECT_NEAR(neckAfterTurn(params, 80.0, 30.0), 90.0, kEps);
    EXPECT_NEAR(neckAfterTurn(params, 20.0, -45.0), -25.0, kEps);
    EXPECT_NEAR(neckAfterTurn(params, -80.0, -30.0), -90.0, kEps);
}

TEST(PracticeStamina, RecoveryEffortAndRegeneration) {
    PlayerState p = at({0, 0}, 0.0);
    p.stamina = 1000.0;  // below 0.3 * 4000: recovery and effort drop
    recoverStamina(params, p);
    EXPECT_NEAR(p.recovery, 0.998, kEps);
    EXPECT_NEAR(p.effort, 0.995, kEps);
    EXPECT_NEAR(p.stamina, 1000.0 + 0.998 * 45.0, kEps);
    p.stamina = 3990.0;  // above 0.6 * 4000: effort climbs back, stamina stops at the maximum
    recoverStamina(params, p);
    EXPECT_NEAR(p.effort, 1.0, kEps);
    EXPECT_NEAR(p.stamina, 4000.0, kEps);
    EXPECT_NEAR(p.recovery, 0.998, kEps);
}

TEST(PracticeTackle, FailureProbabilityInTheBodyFrame) {
    // 1 m straight ahead: (1 / 2)^6.
    EXPECT_NEAR(tackleFailProbability(params, {0, 0}, 0.0, {1.0, 0.0}), std::pow(0.5, 6), kEps);
    // 0.25 m behind: the back distance 0.5 counts.
    EXPECT_NEAR(tackleFailProbability(params, {0, 0}, 0.0, {-0.25, 0.0}), std::pow(0.5, 6), kEps);
    // Facing +y, the ball 1 m ahead and 0.5 m to the side.
    EXPECT_NEAR(tackleFailProbability(params, {10, 10}, 90.0, {9.5, 11.0}),
                std::pow(0.5, 6) + std::pow(0.5, 6), kEps);
    EXPECT_GT(tackleFailProbability(params, {0, 0}, 0.0, {2.5, 0.0}), 1.0);
    // With no reach behind (the real server's setting) a ball behind or exactly beside always
    // fails, as there, and nothing divides by zero.
    ServerParams noBack;
    noBack.tackleBackDist = 0.0;
    EXPECT_EQ(tackleFailProbability(noBack, {0, 0}, 0.0, {-0.1, 0.0}), 1.0);
    EXPECT_EQ(tackleFailProbability(noBack, {0, 0}, 0.0, {0.0, 0.5}), 1.0);
}

TEST(PracticeCatch, TheRectangleAheadInTheCatchDirection) {
    const PlayerState g = at({-50, 0}, 0.0);
    EXPECT_TRUE(ballCatchable(params, g, {-48.1, 0.4}, 0.0));
    EXPECT_FALSE(ballCatchable(params, g, {-47.9, 0.0}, 0.0));  // beyond 2 m
    EXPECT_FALSE(ballCatchable(params, g, {-49.0, 0.6}, 0.0));  // beyond half the width
    EXPECT_FALSE(ballCatchable(params, g, {-50.5, 0.0}, 0.0));  // behind
    EXPECT_TRUE(ballCatchable(params, g, {-50.0, 1.5}, 90.0));
    EXPECT_TRUE(inOwnPenaltyArea(kLeft, {-40, 20}));
    EXPECT_FALSE(inOwnPenaltyArea(kLeft, {-35, 0}));
    EXPECT_FALSE(inOwnPenaltyArea(kRight, {-40, 0}));
    EXPECT_TRUE(inOwnPenaltyArea(kRight, {40, -20}));
}

TEST(PracticeTypes, EachPlayerMovesKicksAndTiresAsItsTypeDoes) {
    ServerParams typed;
    PlayerType& t = typed.playerTypes[3];
    t.kickableMargin = 0.6;
    t.kickPowerRate = 0.02;
    t.dashPowerRate = 0.005;
    t.playerDecay = 0.5;
    t.playerSpeedMax = 0.5;
    t.inertiaMoment = 10.0;
    t.extraStamina = 60.0;
    t.staminaIncMax = 50.0;
    t.effortMax = 0.9;
    t.catchableAreaLStretch = 1.25;
    PlayerState p = at({0, 0}, 0.0);
    p.type = 3;
    // Reach 0.3 + 0.6 + 0.085 instead of 1.085, and its own kick power rate.
    EXPECT_TRUE(ballKickable(typed, p, {0.98, 0}));
    EXPECT_FALSE(ballKickable(typed, p, {1.0, 0}));
    EXPECT_NEAR(kickAcceleration(typed, p, {0.385, 0}, 100.0, 0.0).x, 2.0, kEps);
    // A dash beyond the stamina is paid by the extra stamina.
    p.stamina = 20.0;
    EXPECT_NEAR(dashAcceleration(typed, p, 100.0).x, 1.0 * 0.005 * 80.0, kEps);
    EXPECT_EQ(p.stamina, 0.0);
    p.accel = {1.0, 0.0};
    advancePlayer(typed, p);
    EXPECT_NEAR(p.pos.x, 0.5, kEps);                           // moved at its speed limit
    EXPECT_NEAR(p.vel.x, 0.25, kEps);                          // then slowed by its decay
    EXPECT_NEAR(turnAngle(typed, p, 90.0), 90.0 / 3.5, kEps);  // 1 + its inertia * speed
    p.stamina = 7000.0;
    p.effort = 0.895;
    recoverStamina(typed, p);
    EXPECT_NEAR(p.effort, 0.9, kEps);  // never above its best
    EXPECT_NEAR(p.stamina, 4000.0, kEps);
    // A stretched goalie type catches farther: 2 m * 1.25.
    const PlayerState goalie = [&] {
        PlayerState g = at({-50, 0}, 0.0);
        g.type = 3;
        return g;
    }();
    EXPECT_TRUE(ballCatchable(typed, goalie, {-47.6, 0.0}, 0.0));
    EXPECT_FALSE(ballCatchable(typed, at({-50, 0}, 0.0), {-47.6, 0.0}, 0.0));
}

TEST(PracticeCollision, OverlapsAreSeparatedAndBounced) {
    std::array<PlayerState, 2> players{at({0, 0}, 0.0), at({0.4, 0}, 0.0)};
    players[0].vel = {0.5, 0.0};
    players[1].vel = {-0.5, 0.0};
    BallState ball;
    ball.pos = {20, 20};
    EXPECT_EQ(resolveCollisions(params, players, ball), -1);
    EXPECT_NEAR(players[1].pos.x - players[0].pos.x, 0.6, kEps);
    EXPECT_NEAR(players[0].pos.x, -0.1, kEps);
    EXPECT_NEAR(players[0].vel.x, -0.05, kEps);
    EXPECT_NEAR(players[1].vel.x, 0.05, kEps);
    // A ball inside a player is pushed to the contact distance.
    ball.pos = players[1].pos + Vec2{0.0, 0.2};
    ball.vel = {0.0, -1.0};
    EXPECT_EQ(resolveCollisions(params, players, ball), 1);
    EXPECT_NEAR(ball.pos.y, 0.385, kEps);
    EXPECT_NEAR(ball.vel.y, 0.1, kEps);
}

}  // namespace
}  // namespace zamo::practice
