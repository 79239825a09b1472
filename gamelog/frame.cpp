#include "gamelog/frame.h"

#include <array>

namespace zamo::gamelog {
namespace {

constexpr std::array<std::string_view, kPlayModeCount> kPlayModeNames = {
    "",
    "before_kick_off",
    "time_over",
    "play_on",
    "kick_off_l",
    "kick_off_r",
    "kick_in_l",
    "kick_in_r",
    "free_kick_l",
    "free_kick_r",
    "corner_kick_l",
    "corner_kick_r",
    "goal_kick_l",
    "goal_kick_r",
    "goal_l",
    "goal_r",
    "drop_ball",
    "offside_l",
    "offside_r",
    "penalty_kick_l",
    "penalty_kick_r",
    "first_half_over",
    "pause",
    "human_judge",
    "foul_charge_l",
    "foul_charge_r",
    "foul_push_l",
    "foul_push_r",
    "foul_multiple_attack_l",
    "foul_multiple_attack_r",
    "foul_ballout_l",
    "foul_ballout_r",
    "back_pass_l",
    "back_pass_r",
    "free_kick_fault_l",
    "free_kick_fault_r",
    "catch_fault_l",
    "catch_fault_r",
    "indirect_free_kick_l",
    "indirect_free_kick_r",
    "penalty_setup_l",
    "penalty_setup_r",
    "penalty_ready_l",
    "penalty_ready_r",
    "penalty_taken_l",
    "penalty_taken_r",
    "penalty_miss_l",
    "penalty_miss_r",
    "penalty_score_l",
    "penalty_score_r",
    "illegal_defense_l",
    "illegal_defense_r",
};

}  // namespace

const Player* Frame::find(Side side, int number) const {
    for (const Player& player : players) {
        if (player.side == side && player.number == number) {
            return &player;
        }
    }
    return nullptr;
}

std::string_view playModeName(int number) {
    if (number < 0 || number >= kPlayModeCount) {
        return {};
    }
    return kPlayModeNames[static_cast<std::size_t>(number)];
}

std::optional<int> playModeNumber(std::string_view name) {
    for (int number = 1; number < kPlayModeCount; ++number) {
        if (kPlayModeNames[static_cast<std::size_t>(number)] == name) {
            return number;
        }
    }
    return std::nullopt;
}

std::optional<Side> playModeSide(int number) {
    const std::string_view name = playModeName(number);
    if (name.ends_with("_l")) {
        return Side::kLeft;
    }
    if (name.ends_with("_r")) {
        return Side::kRight;
    }
    return std::nullopt;
}

}  // namespace zamo::gamelog
