// The believed world of one cycle, and the ring of the last ten.
#pragma once

#include <array>

#include "agent/config/missing_values.h"
#include "agent/config/server_params.h"
#include "agent/perception/play_mode.h"
#include "agent/perception/vec2.h"

namespace zamo {

// What the agent believes about one player. Each value group carries the cycle in which it was
// last known; kNoTime marks a group without a value. The type is what the server last said.
struct PlayerRecord {
    int type = kDefaultPlayerType;
    int goalieTime = kNoTime;
    int goalie = 0;
    int positionTime = kNoTime;
    Vec2 position;
    int velocityTime = kNoTime;
    Vec2 velocity;
    int bodyTime = kNoTime;
    double bodyDirection = 0.0;
    int neckTime = kNoTime;
    double neckAngle = 0.0;  // head relative to body, degrees
    int catchBanTime = kNoTime;
    int catchBan = 0;
    int tackleTime = kNoTime;
    int tackleExpires = 0;
    int armTime = kNoTime;
    int armMovable = 0;
    int armExpires = 0;
    double armTargetDistance = 0.0;
    double armTargetDirection = 0.0;
    int focusTime = kNoTime;
    int focusSide = 0;  // a side letter
    int focusNumber = 0;
    int viewWidthTime = kNoTime;
    int viewWidth = 1;  // 0 narrow, 1 normal, 2 wide
    int viewQualityTime = kNoTime;
    int viewQuality = 1;  // 0 low, 1 high
    int staminaTime = kNoTime;
    double stamina = 0.0;
    int effortTime = kNoTime;
    double effort = 0.0;
    int recoveryTime = kNoTime;
    double recovery = 0.0;
};

inline constexpr int kTeamSize = 11;

// The world as believed in one cycle. Player arrays are indexed by uniform number - 1.
struct WorldSnapshot {
    int time = kNoTime;
    int playModeTime = kNoTime;
    int playMode = kUnknownMode;
    int firstScoreTime = 0;
    int firstScore = 0;
    int secondScoreTime = 0;
    int secondScore = 0;
    int ballPositionTime = kNoTime;
    Vec2 ballPosition;
    int ballVelocityTime = kNoTime;
    Vec2 ballVelocity;
    std::array<PlayerRecord, kTeamSize> teammates;
    std::array<PlayerRecord, kTeamSize> opponents;
};

inline constexpr int kHistorySize = 10;

// The last ten cycles' snapshots as a ring; current is the index of the latest one.
struct WorldHistory {
    std::array<WorldSnapshot, kHistorySize> snapshots;
    int current = 0;

    const WorldSnapshot& currentSnapshot() const { return snapshots[current]; }
    WorldSnapshot& currentSnapshot() { return snapshots[current]; }
    // The snapshot k cycles before the current one, 0 <= k < kHistorySize.
    const WorldSnapshot& snapshotBefore(int k) const {
        return snapshots[(current + kHistorySize - k % kHistorySize) % kHistorySize];
    }
};

}  // namespace zamo
