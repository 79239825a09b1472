// The server's parameter messages as the real server sends them (named from version 8 on,
// positional for version 7), and what a server must not be believed in.
#include "agent/perception/server_param_reader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "agent/config/server_params.h"
#include "allocation_counter.h"
#include "support/protocol_log.h"

namespace zamo {
namespace {

using namespace std::string_literals;

// The number after "(name " in a named parameter message, read independently of the reader.
double namedValue(const std::string& message, const std::string& name) {
    const std::string key = "(" + name + " ";
    const std::size_t at = message.find(key);
    EXPECT_NE(at, std::string::npos) << name;
    return at == std::string::npos ? 0.0 : std::strtod(message.c_str() + at + key.size(), nullptr);
}

// Every parameter message of a recorded session, read in recorded order.
ServerParams readSession(const std::string& file) {
    ServerParams params;
    for (const std::string& text : test::receivedMessages(file, "(server_param")) {
        EXPECT_TRUE(readServerParam(text, params));
    }
    for (const std::string& text : test::receivedMessages(file, "(player_param")) {
        EXPECT_TRUE(readPlayerParam(text, params));
    }
    for (const std::string& text : test::receivedMessages(file, "(player_type")) {
        EXPECT_TRUE(readPlayerType(text, params)) << text;
    }
    return params;
}

struct UsedParameter {
    const char* name;
    std::function<double(const ServerParams&)> value;
    bool inVersion7 = true;
};

const std::vector<UsedParameter>& usedParameters() {
    static const std::vector<UsedParameter> kUsed{
        {"simulator_step", [](const ServerParams& p) { return p.cycleLength; }},
        {"sense_body_step", [](const ServerParams& p) { return p.bodySenseInterval; }},
        {"send_step", [](const ServerParams& p) { return p.visualIntervalNormal; }},
        {"recv_step", [](const ServerParams& p) { return p.serverReceiveStep; }},
        {"ball_decay", [](const ServerParams& p) { return p.ballDecay; }},
        {"ball_size", [](const ServerParams& p) { return p.ballSize; }},
        {"ball_speed_max", [](const ServerParams& p) { return p.ballSpeedMax; }},
        {"ball_accel_max", [](const ServerParams& p) { return p.ballAccelMax; }},
        {"quantize_step_l", [](const ServerParams& p) { return p.landmarkQuantizeStep; }},
        {"catchable_area_l", [](const ServerParams& p) { return p.catchableAreaL; }},
        {"catchable_area_w", [](const ServerParams& p) { return p.catchableAreaW; }},
        {"kick_power_rate", [](const ServerParams& p) { return p.kickPowerRate; }},
        {"kick_rand", [](const ServerParams& p) { return p.kickRand; }},
        {"player_accel_max", [](const ServerParams& p) { return p.playerAccelMax; }},
        {"maxmoment", [](const ServerParams& p) { return p.maxMoment; }},
        {"minmoment", [](const ServerParams& p) { return p.minMoment; }},
        {"maxneckang", [](const ServerParams& p) { return p.maxNeckAngle; }},
        {"minneckang", [](const ServerParams& p) { return p.minNeckAngle; }},
        {"maxpower", [](const ServerParams& p) { return p.maxPower; }},
        {"minpower", [](const ServerParams& p) { return p.minPower; }},
        {"goal_width", [](const ServerParams& p) { return p.goalWidth; }},
        {"stamina_max", [](const ServerParams& p) { return p.staminaMax; }},
        {"effort_dec_thr", [](const ServerParams& p) { return p.effortDecThr; }},
        {"effort_dec", [](const ServerParams& p) { return p.effortDec; }},
        {"effort_inc_thr", [](const ServerParams& p) { return p.effortIncThr; }},
        {"effort_inc", [](const ServerParams& p) { return p.effortInc; }},
        {"recover_dec_thr", [](const ServerParams& p) { return p.recoverDecThr; }},
        {"recover_dec", [](const ServerParams& p) { return p.recoverDec; }},
        {"recover_init", [](const ServerParams& p) { return p.recoverInit; }},
        {"recover_min", [](const ServerParams& p) { return p.recoverMin; }},
        {"visible_angle", [](const ServerParams& p) { return p.visibleAngle; }},
        {"catch_ban_cycle", [](const ServerParams& p) { return p.catchBanCycles; }},
        {"tackle_dist", [](const ServerParams& p) { return p.tackleDist; }, false},
        {"tackle_back_dist", [](const ServerParams& p) { return p.tackleBackDist; }, false},
        {"tackle_width", [](const ServerParams& p) { return p.tackleWidth; }, false},
        {"tackle_exponent", [](const ServerParams& p) { return p.tackleExponent; }, false},
        {"tackle_power_rate", [](const ServerParams& p) { return p.tacklePowerRate; }, false},
        {"tackle_cycles", [](const ServerParams& p) { return p.tackleCycles; }, false},
    };
    return kUsed;
}

const std::vector<std::pair<const char*, double PlayerType::*>> kTypeFields{
    {"player_speed_max", &PlayerType::playerSpeedMax},
    {"stamina_inc_max", &PlayerType::staminaIncMax},
    {"player_decay", &PlayerType::playerDecay},
    {"inertia_moment", &PlayerType::inertiaMoment},
    {"dash_power_rate", &PlayerType::dashPowerRate},
    {"player_size", &PlayerType::playerSize},
    {"kickable_margin", &PlayerType::kickableMargin},
    {"kick_rand", &PlayerType::kickRand},
    {"extra_stamina", &PlayerType::extraStamina},
    {"effort_max", &PlayerType::effortMax},
    {"effort_min", &PlayerType::effortMin},
};

class RecordedParametersTest : public ::testing::TestWithParam<const char*> {};

TEST_P(RecordedParametersTest, EveryUsedValueIsTheRecordedOne) {
    const bool v7 = std::string(GetParam()).starts_with("v7");
    const ServerParams params = readSession(GetParam());
    const ServerParams builtIn;
    // The version 7 session was recorded from the same server: the named list says what it
    // meant.
    const std::string named = test::receivedMessages("v9-player-session.tsv", "(server_param")[0];
    for (const UsedParameter& used : usedParameters()) {
        const double expected =
            v7 && !used.inVersion7 ? used.value(builtIn) : namedValue(named, used.name);
        EXPECT_DOUBLE_EQ(used.value(params), expected) << used.name;
    }
    EXPECT_EQ(params.playerTypeCount, 18);
    const auto types = test::receivedMessages("v9-player-session.tsv", "(player_type");
    ASSERT_EQ(types.size(), 36u);  // sent after the init and after the reconnect
    for (int id = 0; id < kMaxPlayerTypes; ++id) {
        const PlayerType& type = params.playerType(id);
        for (const auto& [name, member] : kTypeFields) {
            EXPECT_DOUBLE_EQ(type.*member, namedValue(types[id], name)) << id << " " << name;
        }
        // Version 9 types have no kick power rate or catch stretch of their own.
        EXPECT_DOUBLE_EQ(type.kickPowerRate, 0.027) << id;
        EXPECT_DOUBLE_EQ(type.catchableAreaLStretch, 1.0) << id;
    }
    EXPECT_DOUBLE_EQ(params.kickableArea(params.playerType(1)), 0.3 + 0.755938 + 0.085);
    EXPECT_DOUBLE_EQ(params.kickableArea(params.playerType(4)), 0.3 + 0.601413 + 0.085);
    EXPECT_DOUBLE_EQ(params.catchableLength(params.playerType(0)), 1.2);
}

INSTANTIATE_TEST_SUITE_P(Sessions, RecordedParametersTest,
                         ::testing::Values("v9-player-session.tsv", "v7-player-session.tsv"));

TEST(ServerParamReaderTest, MalformedMessagesChangeNothing) {
    const ServerParams before = readSession("v9-player-session.tsv");
    const std::vector<std::string> malformed{
        "",
        "(server_param",
        "server_param (ball_decay 0.5))",
        "(server_param (ball_decay 0.5)(player_size 0.2)",
        "(server_param (ball_decay 0.5)(player_size))",
        "(server_param (ball_decay 0.5)(player_size 0.2 0.3))",
        "(server_param (ball_decay 0.5)((player_size 0.2)))",
        "(server_param (ball_decay 0.5) junk (player_size 0.2))",
        "(server_param (ball_decay 0.5)(log_dir \"unterminated))",
        "(server_param (ball_decay 0.5)(ball_size0.2))",
        "(server_param 14 5 (0.3))",
        "(server_param 14 5 \"0.3\")",
        "(player_param (player_types 5)(subs_max",
        "(player_type (id 3)(kickable_margin 0.9)",
        "(player_type 3 1.05 45 (0.4))",
        "(player_type (kickable_margin 0.9))",
        "(player_type (id 3)(id 4)(kickable_margin 0.9))",
        "(ball_decay 0.5)",
        "(server_param (ball_decay 0.5)\0(player_size 0.2))"s,
    };
    for (const std::string& text : malformed) {
        ServerParams params = before;
        EXPECT_FALSE(readServerParam(text, params)) << text;
        EXPECT_FALSE(readPlayerParam(text, params)) << text;
        EXPECT_FALSE(readPlayerType(text, params)) << text;
        EXPECT_EQ(params, before) << text;
    }
}

TEST(ServerParamReaderTest, UnsoundValuesKeepThePreviousOne) {
    ServerParams params = readSession("v9-player-session.tsv");
    const ServerParams before = params;
    // One sound value among unsound ones: only that one is taken.
    ASSERT_TRUE(readServerParam(
        "(server_param (ball_decay 1e308)(ball_size -0.085)(player_size 0)(ball_speed_max nan)"
        "(stamina_max inf)(player_decay 1)(tackle_width -1)(simulator_step 99.5)"
        "(catch_ban_cycle -3)(goal_width \"wide\")(kickable_margin 1e-308)"
        "(tackle_back_dist 0.25)(unknown_name 7)(log_dir \"a (b) c\"))",
        params));
    ServerParams expected = before;
    expected.tackleBackDist = 0.25;
    EXPECT_EQ(params, expected);

    ASSERT_TRUE(readPlayerType(
        "(player_type (id 2)(player_speed_max -1)(player_decay 1.5)(dash_power_rate 0)"
        "(player_size nan)(kickable_margin 1e308)(effort_max 0)(effort_min 0.5))",
        params));
    PlayerType type = before.playerType(2);
    type.effortMin = 0.5;
    EXPECT_EQ(params.playerType(2), type);
    expected.playerTypes[2] = type;

    // Positional: a number too large where the ball decay goes, a sound one for the goal width.
    std::string v7 = "(server_param 20";
    for (int i = 1; i < 103; ++i) {
        v7 += i == 27 ? " 1e308" : " -1e308";
    }
    ASSERT_TRUE(readServerParam(v7 + ")", params));
    expected.goalWidth = 20.0;
    EXPECT_EQ(params, expected);
}

TEST(ServerParamReaderTest, HugeMessagesReadOnlyWhatTheyCarry) {
    ServerParams params;
    std::string named = "(server_param";
    std::string positional = "(server_param";
    for (int i = 0; i < 10000; ++i) {
        named += "(unknown_" + std::to_string(i) + " " + std::to_string(i) + ")";
        positional += " " + std::to_string(i % 7 == 0 ? 1 : 2);
    }
    ASSERT_TRUE(readServerParam(named + "(stamina_max 8000))", params));
    EXPECT_EQ(params.staminaMax, 8000.0);
    ASSERT_TRUE(readServerParam(positional + ")", params));
    // Position 8 (stamina max) got a 2, position 70 (the cycle) a 1; beyond 102 nothing goes.
    EXPECT_EQ(params.staminaMax, 2.0);
    EXPECT_EQ(params.cycleLength, 1);
    std::string type = "(player_type 5";
    for (int i = 1; i < 10000; ++i) {
        type += " 0.5";
    }
    ASSERT_TRUE(readPlayerType(type + ")", params));
    EXPECT_EQ(params.playerType(5).kickableMargin, 0.5);
}

TEST(ServerParamReaderTest, TypeIdsTheServerCannotHaveAreIgnored) {
    ServerParams params;
    const ServerParams before = params;
    for (const char* text : {"(player_type (id 18)(kickable_margin 0.9))",
                             "(player_type (id -1)(kickable_margin 0.9))",
                             "(player_type (id 1.5)(kickable_margin 0.9))",
                             "(player_type (id x)(kickable_margin 0.9))",
                             "(player_type 99 1.05 45 0.4 5 0.006 0.3 0.9)", "(player_type)"}) {
        EXPECT_FALSE(readPlayerType(text, params)) << text;
    }
    EXPECT_EQ(params, before);
    // With five types, id 7 is none of them.
    ASSERT_TRUE(readPlayerParam("(player_param (player_types 5)(subs_max 3))", params));
    EXPECT_FALSE(readPlayerType("(player_type (id 7)(kickable_margin 0.9))", params));
    EXPECT_TRUE(readPlayerType("(player_type (id 4)(kickable_margin 0.9))", params));
    EXPECT_EQ(params.playerType(4).kickableMargin, 0.9);
    // A count of types the agent cannot hold keeps the previous count.
    ASSERT_TRUE(readPlayerParam("(player_param (player_types 40))", params));
    EXPECT_EQ(params.playerTypeCount, 5);
    EXPECT_EQ(&params.playerType(7), &params.playerType(kDefaultPlayerType));
}

TEST(ServerParamReaderTest, ChangePlayerTypeNamesOwnTypesOnly) {
    const ServerParams params;
    const auto own = readChangePlayerType("(change_player_type 2 1)", params);
    ASSERT_TRUE(own);
    EXPECT_EQ(own->number, 2);
    EXPECT_TRUE(own->ownTeam);
    EXPECT_EQ(own->type, 1);
    const auto other = readChangePlayerType("(change_player_type 11)", params);
    ASSERT_TRUE(other);
    EXPECT_EQ(other->number, 11);
    EXPECT_FALSE(other->ownTeam);
    EXPECT_EQ(other->type, kUnknownPlayerType);
    for (const char* text :
         {"(change_player_type 0 1)", "(change_player_type 12 1)", "(change_player_type 0)",
          "(change_player_type 12)", "(change_player_type 2 18)", "(change_player_type 2 -1)",
          "(change_player_type 2 1 3)", "(change_player_type)", "(change_player_type two)",
          "(change_player_type (2 1))", "(change_player_type 2 1", "(change_player 2 1)"}) {
        EXPECT_FALSE(readChangePlayerType(text, params)) << text;
    }
}

TEST(ServerParamReaderTest, RepeatedAndLateMessagesGiveTheSameParameters) {
    const ServerParams once = readSession("v9-player-session.tsv");
    ServerParams twice = once;
    for (const std::string& text : test::receivedMessages("v9-player-session.tsv", "(")) {
        if (text.starts_with("(server_param")) {
            readServerParam(text, twice);
        } else if (text.starts_with("(player_param")) {
            readPlayerParam(text, twice);
        } else if (text.starts_with("(player_type")) {
            readPlayerType(text, twice);
        }
    }
    EXPECT_EQ(twice, once);
}

TEST(ServerParamReaderTest, ReadingAllocatesNothing) {
    const std::vector<std::string> texts = test::receivedMessages("v9-player-session.tsv", "(");
    ServerParams params;
    const long before = test::allocationCount();
    int read = 0;
    for (const std::string& text : texts) {
        read += readServerParam(text, params) || readPlayerParam(text, params) ||
                readPlayerType(text, params) || readChangePlayerType(text, params).has_value();
    }
    EXPECT_EQ(test::allocationCount(), before);
    EXPECT_GE(read, 2 * (2 + 18));
}

TEST(ServerParamReaderTest, UnsentTypesFollowTheDefaultOfTheParameters) {
    ServerParams params;
    ASSERT_TRUE(readPlayerType("(player_type (id 3)(kickable_margin 0.9))", params));
    ASSERT_TRUE(
        readServerParam("(server_param (kickable_margin 0.5)(player_speed_max 1.05))", params));
    EXPECT_EQ(params.playerType(0).kickableMargin, 0.5);
    EXPECT_EQ(params.playerType(17).playerSpeedMax, 1.05);
    // Type 3 keeps what the server said of it.
    EXPECT_EQ(params.playerType(3).kickableMargin, 0.9);
    EXPECT_EQ(params.playerType(3).playerSpeedMax, 1.2);
}

}  // namespace
}  // namespace zamo
