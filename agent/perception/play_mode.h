// The referee's play modes and the tracking of the current one.
#pragma once

#include <string_view>

#include "agent/config/missing_values.h"

namespace zamo {

struct ServerParams;
struct SelfState;

// The referee's play modes, valued as the server's names are listed; kUnknownMode for any
// other name.
enum PlayMode : int {
    kBackPassL = 0,
    kBackPassR,
    kBeforeKickOff,
    kCatchFaultL,
    kCatchFaultR,
    kCornerKickL,
    kCornerKickR,
    kDropBall,
    kFirstHalfOver,
    kFoulChargeL,
    kFoulChargeR,
    kFoulPushL,
    kFoulPushR,
    kFoulMultipleAttackL,
    kFoulMultipleAttackR,
    kFoulBallOutL,
    kFoulBallOutR,
    kFreeKickFaultL,
    kFreeKickFaultR,
    kFreeKickL,
    kFreeKickR,
    kGoalKickL,
    kGoalKickR,
    kGoalL,
    kGoalR,
    kGoalieCatchBallL,
    kGoalieCatchBallR,
    kHalfTime,
    kHumanJudge,
    kIndirectFreeKickL,
    kIndirectFreeKickR,
    kKickInL,
    kKickInR,
    kKickOffL,
    kKickOffR,
    kOffsideL,
    kOffsideR,
    kPause,
    kPenaltyKickL,
    kPenaltyKickR,
    kPenaltyMissL,
    kPenaltyMissR,
    kPenaltyReadyL,
    kPenaltyReadyR,
    kPenaltyScoreL,
    kPenaltyScoreR,
    kPenaltySetupL,
    kPenaltySetupR,
    kPenaltyTakenL,
    kPenaltyTakenR,
    kPlayOn,
    kTimeExtended,
    kTimeOver,
    kTimeUp,
    kTimeUpWithoutATeam,
    kUnknownMode,
};

inline constexpr int kPlayModeCount = 56;

// The current play mode and the cycle in which it was announced.
struct PlayModeState {
    int time = kNoTime;
    PlayMode mode = kUnknownMode;
};

// The mode whose server name equals name exactly; kUnknownMode when none does.
PlayMode lookupPlayMode(std::string_view name);
// The server's name of a mode ("Unknown" for kUnknownMode and out-of-range values).
std::string_view playModeName(int mode);

// Applies one referee announcement: stores the mode, reads goal announcements into the score
// and resets the stamina bookkeeping at "before_kick_off".
void onRefereeMessage(PlayModeState& state, SelfState& self, const ServerParams& params,
                      std::string_view text, int time);

// Restores stamina, effort, recovery and the stamina capacity as the server does at a half or a
// change of player type, for the own type.
void resetStamina(SelfState& self, const ServerParams& params);

}  // namespace zamo
