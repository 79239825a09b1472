#include "tools/practice_server/physics.h"

#include <algorithm>
#include <cmath>

#include "agent/perception/geometry.h"

namespace zamo::practice {

namespace {

constexpr double kBounce = -0.1;
constexpr double kNoTackleReach = 1e-5;

Vec2 limitLength(Vec2 v, double limit) {
    const double l = length(v);
    return l > limit ? v * (limit / l) : v;
}

}  // namespace

double PlayerState::head() const {
    return normalizeAngle(body + neck);
}

double normalizeAngle(double a) {
    a = std::remainder(a, 360.0);
    return a <= -180.0 ? a + 360.0 : a;
}

double directionOf(Vec2 v) {
    if (v.x == 0.0 && v.y == 0.0) {
        return 0.0;
    }
    return std::atan2(v.y, v.x) * kRadToDeg;
}

Vec2 polar(double l, double direction) {
    return {l * std::cos(direction * kDegToRad), l * std::sin(direction * kDegToRad)};
}

double effectiveKickFactor(const ServerParams& params, const PlayerState& player, Vec2 ball) {
    const PlayerType& type = params.playerType(player.type);
    const double dirDiff = std::abs(normalizeAngle(directionOf(ball - player.pos) - player.body));
    const double gap = std::max(0.0, distance(player.pos, ball) - params.bodyAndBall(type));
    return 1.0 - 0.25 * dirDiff / 180.0 - 0.25 * gap / type.kickableMargin;
}

bool ballKickable(const ServerParams& params, const PlayerState& player, Vec2 ball) {
    return distance(player.pos, ball) <= params.kickableArea(params.playerType(player.type));
}

Vec2 kickAcceleration(const ServerParams& params, const PlayerState& player, Vec2 ball,
                      double power, double direction) {
    if (!ballKickable(params, player, ball)) {
        return {};
    }
    power = std::clamp(power, params.minPower, params.maxPower);
    direction = std::clamp(direction, params.minMoment, params.maxMoment);
    const double accel = power * params.playerType(player.type).kickPowerRate *
                         effectiveKickFactor(params, player, ball);
    return limitLength(polar(accel, player.body + direction), params.ballAccelMax);
}

Vec2 dashAcceleration(const ServerParams& params, PlayerState& player, double power) {
    const PlayerType& type = params.playerType(player.type);
    power = std::clamp(power, params.minPower, params.maxPower);
    // Beyond the stamina the type's extra stamina still pays.
    const double purse = std::max(0.0, player.stamina) + type.extraStamina;
    if (power >= 0.0) {
        power = std::min(power, purse);
        player.stamina -= power;
    } else {
        power = std::max(power, -purse / 2.0);
        player.stamina += 2.0 * power;
    }
    player.stamina = std::max(0.0, player.stamina);
    const Vec2 accel = polar(player.effort * type.dashPowerRate * power, player.body);
    return limitLength(accel, params.playerAccelMax);
}

double turnAngle(const ServerParams& params, const PlayerState& player, double moment) {
    moment = std::clamp(moment, params.minMoment, params.maxMoment);
    return moment / (1.0 + params.playerType(player.type).inertiaMoment * length(player.vel));
}

double neckAfterTurn(const ServerParams& params, double neck, double moment) {
    moment = std::clamp(moment, params.minMoment, params.maxMoment);
    return std::clamp(neck + moment, params.minNeckAngle, params.maxNeckAngle);
}

double tackleFailProbability(const ServerParams& params, Vec2 player, double body, Vec2 ball) {
    const Vec2 q = rotateAbout(player, ball, -body);
    const double reach = q.x > player.x ? params.tackleDist : params.tackleBackDist;
    // Without reach on that side (the current back distance is 0) a tackle never gets the ball.
    if (reach <= kNoTackleReach) {
        return 1.0;
    }
    const double dx = std::abs(q.x - player.x);
    const double dy = std::abs(q.y - player.y);
    return std::pow(dy / params.tackleWidth, params.tackleExponent) +
           std::pow(dx / reach, params.tackleExponent);
}

bool ballCatchable(const ServerParams& params, const PlayerState& player, Vec2 ball,
                   double direction) {
    const Vec2 q = rotateAbout(player.pos, ball, -(player.body + direction)) - player.pos;
    return q.x >= 0.0 && q.x <= params.catchableLength(params.playerType(player.type)) &&
           std::abs(q.y) <= params.catchableAreaW / 2.0;
}

bool inOwnPenaltyArea(int side, Vec2 pos) {
    const double x = side == kLeft ? pos.x : -pos.x;
    return x >= -kHalfLength && x <= -kHalfLength + kPenaltyLength &&
           std::abs(pos.y) <= kPenaltyHalfWidth;
}

void advanceBall(const ServerParams& params, BallState& ball) {
    ball.vel =
        limitLength(ball.vel + limitLength(ball.accel, params.ballSpeedMax), params.ballSpeedMax);
    ball.pos += ball.vel;
    ball.vel = ball.vel * params.ballDecay;
    ball.accel = {};
}

void advancePlayer(const ServerParams& params, PlayerState& player) {
    const PlayerType& type = params.playerType(player.type);
    player.vel = limitLength(player.vel + player.accel, type.playerSpeedMax);
    player.pos += player.vel;
    player.vel = player.vel * type.playerDecay;
    player.accel = {};
}

void recoverStamina(const ServerParams& params, PlayerState& p) {
    const PlayerType& type = params.playerType(p.type);
    if (p.stamina <= params.recoverDecThr * params.staminaMax && p.recovery > params.recoverMin) {
        p.recovery = std::max(params.recoverMin, p.recovery - params.recoverDec);
    }
    if (p.stamina <= params.effortDecThr * params.staminaMax && p.effort > type.effortMin) {
        p.effort = std::max(type.effortMin, p.effort - params.effortDec);
    }
    if (p.stamina >= params.effortIncThr * params.staminaMax && p.effort < type.effortMax) {
        p.effort = std::min(type.effortMax, p.effort + params.effortInc);
    }
    p.stamina = std::min(p.stamina + p.recovery * type.staminaIncMax, params.staminaMax);
}

int resolveCollisions(const ServerParams& params, std::span<PlayerState> players, BallState& ball) {
    // Pushes b (and a, when it moves too) apart to the contact distance along a-b.
    const auto separate = [](Vec2& a, Vec2& b, double contact, bool moveBoth) {
        Vec2 d = b - a;
        double l = length(d);
        if (l >= contact) {
            return false;
        }
        if (l < 1e-9) {
            d = {1.0, 0.0};
            l = 1.0;
        }
        const Vec2 push = d * ((contact - length(b - a)) / l);
        if (moveBoth) {
            a -= push * 0.5;
            b += push * 0.5;
        } else {
            b += push;
        }
        return true;
    };
    for (std::size_t i = 0; i < players.size(); ++i) {
        for (std::size_t j = i + 1; j < players.size(); ++j) {
            PlayerState& a = players[i];
            PlayerState& b = players[j];
            const double contact =
                params.playerType(a.type).playerSize + params.playerType(b.type).playerSize;
            if (a.active && b.active && separate(a.pos, b.pos, contact, true)) {
                a.vel = a.vel * kBounce;
                b.vel = b.vel * kBounce;
            }
        }
    }
    int toucher = -1;
    for (std::size_t i = 0; i < players.size(); ++i) {
        PlayerState& p = players[i];
        if (p.active &&
            separate(p.pos, ball.pos, params.bodyAndBall(params.playerType(p.type)), false)) {
            ball.vel = ball.vel * kBounce;
            toucher = static_cast<int>(i);
        }
    }
    return toucher;
}

}  // namespace zamo::practice
