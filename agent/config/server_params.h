// The simulator's parameters and player types: every physical quantity the agent uses.
#pragma once

#include <array>
#include <cstddef>

namespace zamo {

// How many heterogeneous player types the agent can hold; the server's player_types count may
// be smaller.
inline constexpr int kMaxPlayerTypes = 18;
inline constexpr int kDefaultPlayerType = 0;
// A player whose type the server changed without telling which (an opponent).
inline constexpr int kUnknownPlayerType = -1;

// What differs between the server's heterogeneous player types.
struct PlayerType {
    double playerSpeedMax = 0.0;
    double staminaIncMax = 0.0;
    double playerDecay = 0.0;
    double inertiaMoment = 0.0;
    double dashPowerRate = 0.0;
    double playerSize = 0.0;
    double kickableMargin = 0.0;
    double kickRand = 0.0;
    double extraStamina = 0.0;
    double effortMax = 0.0;
    double effortMin = 0.0;
    double kickPowerRate = 0.0;
    double catchableAreaLStretch = 1.0;

    bool operator==(const PlayerType&) const = default;
};

// The simulator's parameters and player types as the server sent them; until it does, built-in
// defaults (those of the older servers: stamina 4000, ball speed 2.7, ...). The per-player
// values of the server part are the default type's; every computation about a player takes them
// from that player's type.
struct ServerParams {
    ServerParams() { playerTypes.fill(defaultPlayerType()); }

    int cycleLength = 100;           // ms
    int bodySenseInterval = 100;     // ms
    int visualIntervalNormal = 150;  // ms, at normal view width
    int serverReceiveStep = 10;      // ms

    double ballDecay = 0.94;
    double ballSize = 0.085;
    double ballSpeedMax = 2.7;
    double ballAccelMax = 2.7;
    double landmarkQuantizeStep = 0.01;
    double catchableAreaL = 2.0;
    double catchableAreaW = 1.0;
    double dashPowerRate = 0.006;
    double kickPowerRate = 0.027;
    double kickableMargin = 0.7;
    double kickRand = 0.0;
    double inertiaMoment = 5.0;
    double playerSize = 0.3;
    double playerDecay = 0.4;
    double playerSpeedMax = 1.2;
    double playerAccelMax = 1.0;
    double maxMoment = 180.0;
    double minMoment = -180.0;
    double maxNeckAngle = 90.0;
    double minNeckAngle = -90.0;
    double maxPower = 100.0;
    double minPower = -100.0;
    double goalWidth = 14.02;
    double staminaMax = 4000.0;
    double staminaIncMax = 45.0;
    // Stamina a player may still recover in this half; negative: no limit.
    double staminaCapacity = -1.0;
    double extraStamina = 0.0;
    double effortDecThr = 0.3;
    double effortDec = 0.005;
    double effortIncThr = 0.6;
    double effortInc = 0.01;
    double effortInit = 1.0;
    double effortMin = 0.6;
    double recoverDecThr = 0.3;
    double recoverDec = 0.002;
    double recoverInit = 1.0;
    double recoverMin = 0.5;
    double tackleDist = 2.0;
    double tackleBackDist = 0.5;
    double tackleWidth = 1.0;
    double tackleExponent = 6.0;
    double tacklePowerRate = 0.027;
    double visibleAngle = 90.0;
    int catchBanCycles = 5;
    int tackleCycles = 10;
    // 1 when the server steps a cycle only once every client has said it is done.
    int synchMode = 0;

    int playerTypeCount = kMaxPlayerTypes;
    std::array<PlayerType, kMaxPlayerTypes> playerTypes{};
    // Which types the server described; the others follow the default type of the parameters.
    std::array<bool, kMaxPlayerTypes> playerTypeSent{};

    // The type every player has until the server changes it: the server part's values.
    PlayerType defaultPlayerType() const {
        return {playerSpeedMax, staminaIncMax,  playerDecay, inertiaMoment, dashPowerRate,
                playerSize,     kickableMargin, kickRand,    extraStamina,  effortInit,
                effortMin,      kickPowerRate,  1.0};
    }
    // The type of that id; the default type for an id the server does not use (unknown ones
    // included).
    const PlayerType& playerType(int id) const {
        const bool used = id >= 0 && id < playerTypeCount && id < kMaxPlayerTypes;
        return playerTypes[static_cast<std::size_t>(used ? id : kDefaultPlayerType)];
    }

    // From a player's centre to the farthest ball centre it can kick.
    double kickableArea(const PlayerType& type) const {
        return type.playerSize + type.kickableMargin + ballSize;
    }
    // A ball touching the player's body lies this far from its centre.
    double bodyAndBall(const PlayerType& type) const { return type.playerSize + ballSize; }
    // How far ahead of a goalie of that type a catch can reach.
    double catchableLength(const PlayerType& type) const {
        return catchableAreaL * type.catchableAreaLStretch;
    }
    // The acceleration of a player's strongest dash at that effort.
    double fullDashAccel(const PlayerType& type, double effort) const {
        return maxPower * type.dashPowerRate * effort;
    }
    // The goal posts stand this far either side of the goal's centre line.
    double goalPostY() const { return goalWidth / 2.0; }

    bool operator==(const ServerParams&) const = default;
};

}  // namespace zamo
