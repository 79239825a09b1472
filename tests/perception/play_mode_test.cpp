#include "agent/perception/play_mode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string_view>
#include <vector>

#include "agent/config/server_params.h"
#include "agent/perception/self_state.h"

namespace zamo {
namespace {

// The referee's words in the order of their values, written out independently of the table.
std::vector<std::string_view> expectedNames() {
    static constexpr std::string_view kNames =
        "back_pass_l back_pass_r before_kick_off catch_fault_l catch_fault_r corner_kick_l "
        "corner_kick_r drop_ball first_half_over foul_charge_l foul_charge_r foul_push_l "
        "foul_push_r foul_multiple_attack_l foul_multiple_attack_r foul_ballout_l "
        "foul_ballout_r free_kick_fault_l free_kick_fault_r free_kick_l free_kick_r "
        "goal_kick_l goal_kick_r goal_l goal_r goalie_catch_ball_l goalie_catch_ball_r "
        "half_time human_judge indirect_free_kick_l indirect_free_kick_r kick_in_l kick_in_r "
        "kick_off_l kick_off_r offside_l offside_r pause penalty_kick_l penalty_kick_r "
        "penalty_miss_l penalty_miss_r penalty_ready_l penalty_ready_r penalty_score_l "
        "penalty_score_r penalty_setup_l penalty_setup_r penalty_taken_l penalty_taken_r "
        "play_on time_extended time_over time_up time_up_without_a_team Unknown";
    std::vector<std::string_view> names;
    for (std::size_t at = 0; at < kNames.size();) {
        const std::size_t blank = std::min(kNames.find(' ', at), kNames.size());
        names.push_back(kNames.substr(at, blank - at));
        at = blank + 1;
    }
    return names;
}

TEST(PlayModeNames, EveryNameMapsToItsValueAndBack) {
    const std::vector<std::string_view> expected = expectedNames();
    ASSERT_EQ(kPlayModeCount, static_cast<int>(expected.size()));
    for (int i = 0; i < kPlayModeCount; ++i) {
        EXPECT_EQ(lookupPlayMode(expected[i]), i) << expected[i];
        EXPECT_EQ(playModeName(i), expected[i]) << i;
    }
}

TEST(PlayModeNames, LookupMatchesExactlyAndOutOfRangeIsUnknown) {
    for (const std::string_view name :
         {"", "play_on)", "play_o", "PLAY_ON", " play_on", "goal_l_1", "foul_l", "kick_off"}) {
        EXPECT_EQ(lookupPlayMode(name), kUnknownMode) << name;
    }
    EXPECT_EQ(lookupPlayMode("catch_fault_r"), 4);
    EXPECT_EQ(lookupPlayMode("catch_fault_l"), 3);
    for (const int outOfRange : {-1, 56, INT_MIN}) {
        EXPECT_EQ(playModeName(outOfRange), "Unknown") << outOfRange;
    }
}

class RefereeTest : public ::testing::Test {
  protected:
    void hear(std::string_view text, int time) {
        onRefereeMessage(state, self, params, text, time);
    }

    ServerParams params;
    SelfState self;
    PlayModeState state;
};

TEST_F(RefereeTest, AnnouncementsSetModeTimeAndGoalScores) {
    self.score = {7, 4, 8, 5};
    const struct {
        std::string_view text;
        int mode;
        int first;
        int second;
    } cases[] = {
        {"play_on", kPlayOn, 4, 5},
        {"foul_l", kUnknownMode, 4, 5},
        // Malformed goals change no score.
        {"goal_", kUnknownMode, 4, 5},
        {"goal_x_1", kUnknownMode, 4, 5},
        {"goal", kUnknownMode, 4, 5},
        {"Goal_l_1", kUnknownMode, 4, 5},
        {"goal_L_1", kUnknownMode, 4, 5},
        {"goal_kick_l", kGoalKickL, 4, 5},
        {"goal_l_3", kGoalL, 3, 5},
        {"goal_r_2", kGoalR, 3, 2},
        {"goal_r_12)", kGoalR, 3, 12},
        // A missing or negative count reads as none; the count is read after the side.
        {"goal_l_", kGoalL, 0, 12},
        {"goal_r_-3", kGoalR, 0, 0},
        {"goal_lx9", kGoalL, 9, 0},
        // Counts that overflow are capped.
        {"goal_l_2147483647", kGoalL, INT_MAX, 0},
        {"goal_l_2147483646", kGoalL, 2147483646, 0},
        {"goal_l_2147483648", kGoalL, INT_MAX, 0},
        {"goal_l_99999999999999999999999999", kGoalL, INT_MAX, 0},
    };
    int time = 100;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        hear(c.text, ++time);
        EXPECT_EQ(state.mode, c.mode);
        EXPECT_EQ(state.time, time);
        EXPECT_EQ(self.score.firstScore, c.first);
        EXPECT_EQ(self.score.secondScore, c.second);
    }
    // A goal leaves the times of the scores alone.
    EXPECT_EQ(self.score.firstScoreTime, 7);
    EXPECT_EQ(self.score.secondScoreTime, 8);
}

TEST_F(RefereeTest, BeforeKickOffResetsStaminaEachTime) {
    // The effort comes back to the best of the own player's type.
    params.staminaMax = 8000.0;
    params.playerTypes[3].effortMax = 0.9;
    self.type = 3;
    params.recoverInit = 0.8;
    const auto spend = [this] {
        self.stamina = 300.0;
        self.effort = 0.7;
        self.recovery = 0.6;
    };
    const auto expectReset = [this](int count) {
        EXPECT_EQ(self.stamina, 8000.0);
        EXPECT_EQ(self.effort, 0.9);
        EXPECT_EQ(self.recovery, 0.8);
        EXPECT_EQ(self.beforeKickOffCount, count);
    };
    spend();
    hear("before_kick_off", 0);
    EXPECT_EQ(state.mode, kBeforeKickOff);
    expectReset(1);
    spend();
    hear("kick_off_l", 0);
    EXPECT_EQ(self.stamina, 300.0);
    EXPECT_EQ(self.beforeKickOffCount, 1);
    hear("before_kick_off", 3000);
    expectReset(2);
}

}  // namespace
}  // namespace zamo
