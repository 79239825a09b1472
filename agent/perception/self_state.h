// The agent's own body state and score.
#pragma once

#include "agent/config/missing_values.h"
#include "agent/config/server_params.h"
#include "agent/perception/vec2.h"

namespace zamo {

// The focus side before the first body sense tells one: no side letter ('l', 'r') nor the 0 of
// "no target".
inline constexpr int kFocusSideNotSensed = 160;

// The score as the referee and the "score" reply report it.
struct ScoreBlock {
    int firstScoreTime = 0;
    int firstScore = 0;
    int secondScoreTime = 0;
    int secondScore = 0;
};

// The agent's own body as last sensed or predicted, and the few values that go with it.
struct SelfState {
    int type = kDefaultPlayerType;  // the own heterogeneous player type
    double stamina = 0.0;
    double effort = 0.0;
    double recovery = 0.0;
    double staminaCapacity = -1.0;  // what may still be recovered; negative: no limit
    double bodyDirection = 0.0;
    double neckAngle = 0.0;  // head relative to body, degrees
    double speed = 0.0;
    double velocityDirection = 0.0;
    Vec2 position{kNotGiven, kNotGiven};
    Vec2 velocity{0.0, 0.0};

    // Executed-command counters as the server last reported them.
    int kickCount = 0;
    int dashCount = 0;
    int turnCount = 0;
    int sayCount = 0;
    int turnNeckCount = 0;
    int catchCount = 0;
    int moveCount = 0;
    int changeViewCount = 0;
    int tackleCount = 0;
    int armCount = 0;
    int focusCount = 0;

    int catchBan = kNoTime;
    int tackleExpires = kNoTime;
    int armMovable = kNoTime;
    int armExpires = kNoTime;
    double armTargetDistance = kNotGiven;
    double armTargetDirection = kNotGiven;  // radians, as sense_body reports it
    int focusSide = kFocusSideNotSensed;
    int focusNumber = kNoTime;
    int viewWidth = 1;        // 0 narrow, 1 normal, 2 wide
    int viewQuality = 1;      // 0 low, 1 high
    int wantedViewWidth = 1;  // the width the decision wants; the receive loop applies it

    ScoreBlock score;
    int beforeKickOffCount = 0;

    // Largest ball acceleration the own kick can give this cycle; kNoValue when unknown.
    double kickRate = 0.0;
};

}  // namespace zamo
