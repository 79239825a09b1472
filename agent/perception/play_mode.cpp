// The referee's play modes and the tracking of the current one.
#include "agent/perception/play_mode.h"

#include <array>
#include <climits>

#include "agent/config/server_params.h"
#include "agent/perception/self_state.h"

namespace zamo {

namespace {

struct PlayModeRow {
    std::string_view name;
    PlayMode mode;
};

// In the order of the values; also the display text of each mode.
constexpr std::array<PlayModeRow, kPlayModeCount> kPlayModeTable{{
    {"back_pass_l", kBackPassL},
    {"back_pass_r", kBackPassR},
    {"before_kick_off", kBeforeKickOff},
    {"catch_fault_l", kCatchFaultL},
    {"catch_fault_r", kCatchFaultR},
    {"corner_kick_l", kCornerKickL},
    {"corner_kick_r", kCornerKickR},
    {"drop_ball", kDropBall},
    {"first_half_over", kFirstHalfOver},
    {"foul_charge_l", kFoulChargeL},
    {"foul_charge_r", kFoulChargeR},
    {"foul_push_l", kFoulPushL},
    {"foul_push_r", kFoulPushR},
    {"foul_multiple_attack_l", kFoulMultipleAttackL},
    {"foul_multiple_attack_r", kFoulMultipleAttackR},
    {"foul_ballout_l", kFoulBallOutL},
    {"foul_ballout_r", kFoulBallOutR},
    {"free_kick_fault_l", kFreeKickFaultL},
    {"free_kick_fault_r", kFreeKickFaultR},
    {"free_kick_l", kFreeKickL},
    {"free_kick_r", kFreeKickR},
    {"goal_kick_l", kGoalKickL},
    {"goal_kick_r", kGoalKickR},
    {"goal_l", kGoalL},
    {"goal_r", kGoalR},
    {"goalie_catch_ball_l", kGoalieCatchBallL},
    {"goalie_catch_ball_r", kGoalieCatchBallR},
    {"half_time", kHalfTime},
    {"human_judge", kHumanJudge},
    {"indirect_free_kick_l", kIndirectFreeKickL},
    {"indirect_free_kick_r", kIndirectFreeKickR},
    {"kick_in_l", kKickInL},
    {"kick_in_r", kKickInR},
    {"kick_off_l", kKickOffL},
    {"kick_off_r", kKickOffR},
    {"offside_l", kOffsideL},
    {"offside_r", kOffsideR},
    {"pause", kPause},
    {"penalty_kick_l", kPenaltyKickL},
    {"penalty_kick_r", kPenaltyKickR},
    {"penalty_miss_l", kPenaltyMissL},
    {"penalty_miss_r", kPenaltyMissR},
    {"penalty_ready_l", kPenaltyReadyL},
    {"penalty_ready_r", kPenaltyReadyR},
    {"penalty_score_l", kPenaltyScoreL},
    {"penalty_score_r", kPenaltyScoreR},
    {"penalty_setup_l", kPenaltySetupL},
    {"penalty_setup_r", kPenaltySetupR},
    {"penalty_taken_l", kPenaltyTakenL},
    {"penalty_taken_r", kPenaltyTakenR},
    {"play_on", kPlayOn},
    {"time_extended", kTimeExtended},
    {"time_over", kTimeOver},
    {"time_up", kTimeUp},
    {"time_up_without_a_team", kTimeUpWithoutATeam},
    {"Unknown", kUnknownMode},
}};

consteval bool tableFollowsValues() {
    for (int i = 0; i < kPlayModeCount; ++i) {
        if (kPlayModeTable[i].mode != i) {
            return false;
        }
    }
    return true;
}
static_assert(tableFollowsValues(), "play mode rows must be in the order of their values");

// The leading decimal digits of text; 0 when there are none, INT_MAX when they overflow.
int leadingNumber(std::string_view text) {
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            break;
        }
        const int digit = c - '0';
        if (value > (INT_MAX - digit) / 10) {
            return INT_MAX;
        }
        value = value * 10 + digit;
    }
    return value;
}

}  // namespace

PlayMode lookupPlayMode(std::string_view name) {
    for (const PlayModeRow& row : kPlayModeTable) {
        if (row.name == name) {
            return row.mode;
        }
    }
    return kUnknownMode;
}

std::string_view playModeName(int mode) {
    if (mode < 0 || mode >= kPlayModeCount) {
        return kPlayModeTable[kUnknownMode].name;
    }
    return kPlayModeTable[mode].name;
}

void resetStamina(SelfState& self, const ServerParams& params) {
    self.stamina = params.staminaMax;
    self.effort = params.playerType(self.type).effortMax;
    self.recovery = params.recoverInit;
    self.staminaCapacity = params.staminaCapacity;
}

void onRefereeMessage(PlayModeState& state, SelfState& self, const ServerParams& params,
                      std::string_view text, int time) {
    state.time = time;
    state.mode = lookupPlayMode(text);
    if (state.mode == kUnknownMode) {
        // Goal announcements carry the scoring side and its new score: "goal_l_3".
        if (text.size() >= 6 && text.starts_with("goal_")) {
            const std::string_view number = text.size() > 7 ? text.substr(7) : std::string_view{};
            if (text[5] == 'l') {
                state.mode = kGoalL;
                self.score.firstScore = leadingNumber(number);
            } else if (text[5] == 'r') {
                state.mode = kGoalR;
                self.score.secondScore = leadingNumber(number);
            }
        }
    } else if (state.mode == kBeforeKickOff) {
        resetStamina(self, params);
        ++self.beforeKickOffCount;
    }
}

}  // namespace zamo
