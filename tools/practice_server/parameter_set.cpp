#include "tools/practice_server/parameter_set.h"

#include <array>
#include <cstdio>
#include <cstdlib>

#include "tools/practice_server/random_source.h"

namespace zamo::practice {

namespace {

constexpr int kTypeTrials = 1000;
constexpr double kSpeedSlack = 1e-10;

// The value as a client reads it: the server writes six significant digits.
double asTold(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return std::strtod(text, nullptr);
}

PlayerType told(PlayerType t) {
    for (double* v :
         {&t.playerSpeedMax, &t.staminaIncMax, &t.playerDecay, &t.inertiaMoment, &t.dashPowerRate,
          &t.playerSize, &t.kickableMargin, &t.kickRand, &t.extraStamina, &t.effortMax,
          &t.effortMin, &t.kickPowerRate, &t.catchableAreaLStretch}) {
        *v = asTold(*v);
    }
    return t;
}

double between(RandomSource& random, double low, double high) {
    return low == high ? low : low + (high - low) * random.uniform();
}

// One type drawn from the default within the deltas, drawn again while its abilities make no
// sense; the default type after too many trials.
PlayerType drawType(const ServerParams& params, const TypeDeltas& d, RandomSource& random) {
    const PlayerType base = params.defaultPlayerType();
    for (int trial = 0; trial < kTypeTrials; ++trial) {
        PlayerType t = base;
        double delta = between(random, d.playerDecayMin, d.playerDecayMax);
        t.playerDecay = base.playerDecay + delta;
        t.inertiaMoment = base.inertiaMoment + delta * d.inertiaMomentFactor;
        delta = between(random, d.dashPowerRateMin, d.dashPowerRateMax);
        t.dashPowerRate = base.dashPowerRate + delta;
        t.staminaIncMax = base.staminaIncMax + delta * d.staminaIncMaxFactor;
        delta = between(random, d.kickableMarginMin, d.kickableMarginMax);
        t.kickableMargin = base.kickableMargin + delta;
        t.kickRand = base.kickRand + delta * d.kickRandFactor;
        delta = between(random, d.extraStaminaMin, d.extraStaminaMax);
        t.extraStamina = base.extraStamina + delta;
        t.effortMax = base.effortMax + delta * d.effortMaxFactor;
        t.effortMin = base.effortMin + delta * d.effortMinFactor;
        t.catchableAreaLStretch =
            between(random, d.catchableAreaLStretchMin, d.catchableAreaLStretchMax);
        if (t.playerDecay <= 0.0 || t.playerDecay >= 1.0 || t.inertiaMoment < 0.0 ||
            t.dashPowerRate <= 0.0 || t.staminaIncMax <= 0.0 || t.kickableMargin <= 0.0 ||
            t.kickRand < 0.0 || t.effortMax <= 0.0 || t.effortMin <= 0.0) {
            continue;
        }
        // The speed full dashes settle at must lie between the floor and the type's limit.
        const double settled =
            params.maxPower * t.dashPowerRate * t.effortMax / (1.0 - t.playerDecay);
        if (settled > d.realSpeedMaxMin - kSpeedSlack && settled < t.playerSpeedMax + kSpeedSlack) {
            return t;
        }
    }
    return base;
}

}  // namespace

ServerParams currentParameters(std::uint64_t seed, const TypeDeltas& deltas) {
    ServerParams p;
    p.ballSpeedMax = 3.0;
    p.ballAccelMax = 2.7;
    p.catchableAreaL = 1.2;
    p.catchableAreaW = 1.0;
    p.kickRand = 0.1;
    p.playerSpeedMax = 1.05;
    p.staminaMax = 8000.0;
    p.extraStamina = 50.0;
    p.tackleDist = 2.0;
    p.tackleBackDist = 0.0;
    p.tackleWidth = 1.25;
    p.playerTypeCount = kMaxPlayerTypes;
    p.playerTypes[kDefaultPlayerType] = p.defaultPlayerType();
    RandomSource random(seed);
    for (int id = kDefaultPlayerType + 1; id < kMaxPlayerTypes; ++id) {
        // Played with as told, so that clients compute with exactly what the server does.
        p.playerTypes[static_cast<std::size_t>(id)] = told(drawType(p, deltas, random));
    }
    p.playerTypeSent.fill(true);
    return p;
}

std::vector<TypeChange> assignPlayerTypes(const ServerParams& params,
                                          std::span<PlayerState> players) {
    std::vector<TypeChange> changes;
    for (const int side : {kLeft, kRight}) {
        std::array<bool, kMaxPlayerTypes> taken{};
        std::vector<int> order;
        for (std::size_t i = 0; i < players.size(); ++i) {
            const PlayerState& p = players[i];
            if (p.active && p.side == side) {
                order.insert(p.goalie ? order.begin() : order.end(), static_cast<int>(i));
            }
        }
        for (const int index : order) {
            PlayerState& p = players[static_cast<std::size_t>(index)];
            int type = 0;
            while (type < params.playerTypeCount && taken[static_cast<std::size_t>(type)]) {
                ++type;
            }
            // With every type taken, the player stays as it is.
            if (type == params.playerTypeCount) {
                continue;
            }
            taken[static_cast<std::size_t>(type)] = true;
            if (type == p.type) {
                continue;
            }
            p.type = type;
            p.stamina = params.staminaMax;
            p.effort = params.playerType(type).effortMax;
            p.recovery = params.recoverInit;
            changes.push_back({index, type});
        }
    }
    return changes;
}

}  // namespace zamo::practice
