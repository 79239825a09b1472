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
    EXPECT_EQ(kFoulBallOutR, 16);
    EXPECT_EQ(kPlayOn, 50);
    EXPECT_EQ(kUnknownMode, 55);
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

TEST_F(RefereeTest, StoresTheModeAndTime) {
    hear("play_on", 120);
    EXPECT_EQ(state.time, 120);
    EXPECT_EQ(state.mode, kPlayOn);
    hear("foul_l", 130);
    EXPECT_EQ(state.time, 130);
    EXPECT_EQ(state.mode, kUnknownMode);
}

TEST_F(RefereeTest, GoalAnnouncementsSetModeAndScore) {
    self.score = {7, 1, 8, 1};
    hear("goal_l_3", 200);
    EXPECT_EQ(state.mode, kGoalL);
    EXPECT_EQ(state.time, 200);
    EXPECT_EQ(self.score.firstScore, 3);
    EXPECT_EQ(self.score.secondScore, 1);

    hear("goal_r_2", 300);
    EXPECT_EQ(state.mode, kGoalR);
    EXPECT_EQ(self.score.firstScore, 3);
    EXPECT_EQ(self.score.secondScore, 2);

    hear("goal_r_12)", 310);
    EXPECT_EQ(self.score.secondScore, 12);
    EXPECT_EQ(self.score.firstScoreTime, 7);
    EXPECT_EQ(self.score.secondScoreTime, 8);
}

TEST_F(RefereeTest, MalformedGoalAnnouncements) {
    self.score = {0, 4, 0, 5};
    for (const std::string_view text : {"goal_", "goal_x_1", "goal", "Goal_l_1", "goal_L_1"}) {
        hear(text, 10);
        EXPECT_EQ(state.mode, kUnknownMode) << text;
        EXPECT_EQ(self.score.firstScore, 4) << text;
        EXPECT_EQ(self.score.secondScore, 5) << text;
    }

    hear("goal_kick_l", 11);
    EXPECT_EQ(state.mode, kGoalKickL);
    EXPECT_EQ(self.score.firstScore, 4);

    hear("goal_l_", 12);
    EXPECT_EQ(state.mode, kGoalL);
    EXPECT_EQ(self.score.firstScore, 0);

    hear("goal_r_-3", 13);
    EXPECT_EQ(state.mode, kGoalR);
    EXPECT_EQ(self.score.secondScore, 0);

    hear("goal_lx9", 14);
    EXPECT_EQ(state.mode, kGoalL);
    EXPECT_EQ(self.score.firstScore, 9);
}

TEST_F(RefereeTest, GoalNumbersThatOverflowAreCapped) {
    const std::pair<std::string_view, int> cases[] = {
        {"goal_l_2147483647", INT_MAX},
        {"goal_l_2147483646", 2147483646},
        {"goal_l_2147483648", INT_MAX},
        {"goal_l_99999999999999999999999999", INT_MAX}};
    for (const auto& [text, score] : cases) {
        hear(text, 1);
        EXPECT_EQ(self.score.firstScore, score) << text;
    }
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
