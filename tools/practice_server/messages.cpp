#include "tools/practice_server/messages.h"

#include <cstdio>
#include <utility>

#include "agent/perception/geometry.h"
#include "tools/practice_server/physics.h"
#include "tools/practice_server/visual.h"

namespace zamo::practice {

namespace {

void add(std::string& out, const char* name, const std::string& values) {
    out += " (";
    out += name;
    out += ' ';
    out += values;
    out += ')';
}

void add(std::string& out, const char* name, int value) {
    add(out, name, std::to_string(value));
}

// One parameter as the server tells it: its name from protocol version 8 on (none when only
// the version 7 list has it), and whether the version 7 list has it at all.
struct Parameter {
    const char* name;
    double value;
    bool positional = true;
};

// The version 7 list of the real server in its order, then what only the named form carries.
// Values this server does not play with are the current simulator's defaults.
std::vector<Parameter> serverParameters(const ServerParams& p) {
    const auto cycles = [](int value) { return static_cast<double>(value); };
    return {{"goal_width", p.goalWidth},
            {"inertia_moment", p.inertiaMoment},
            {"player_size", p.playerSize},
            {"player_decay", p.playerDecay},
            {"player_rand", 0.1},
            {"player_weight", 60.0},
            {"player_speed_max", p.playerSpeedMax},
            {"player_accel_max", p.playerAccelMax},
            {"stamina_max", p.staminaMax},
            {"stamina_inc_max", p.staminaIncMax},
            {"recover_init", p.recoverInit},
            {"recover_dec_thr", p.recoverDecThr},
            {"recover_min", p.recoverMin},
            {"recover_dec", p.recoverDec},
            {"effort_init", p.effortInit},
            {"effort_dec_thr", p.effortDecThr},
            {"effort_min", p.effortMin},
            {"effort_dec", p.effortDec},
            {"effort_inc_thr", p.effortIncThr},
            {"effort_inc", p.effortInc},
            {"kick_rand", p.kickRand},
            {"team_actuator_noise", 0.0},
            {"prand_factor_l", 1.0},
            {"prand_factor_r", 1.0},
            {"kick_rand_factor_l", 1.0},
            {"kick_rand_factor_r", 1.0},
            {"ball_size", p.ballSize},
            {"ball_decay", p.ballDecay},
            {"ball_rand", 0.05},
            {"ball_weight", 0.2},
            {"ball_speed_max", p.ballSpeedMax},
            {"ball_accel_max", p.ballAccelMax},
            {"dash_power_rate", p.dashPowerRate},
            {"kick_power_rate", p.kickPowerRate},
            {"kickable_margin", p.kickableMargin},
            {"control_radius", 2.0},
            {nullptr, 1.7},
            {"maxpower", p.maxPower},
            {"minpower", p.minPower},
            {"maxmoment", p.maxMoment},
            {"minmoment", p.minMoment},
            {"maxneckmoment", p.maxMoment},
            {"minneckmoment", p.minMoment},
            {"maxneckang", p.maxNeckAngle},
            {"minneckang", p.minNeckAngle},
            {"visible_angle", p.visibleAngle},
            {"visible_distance", kVisibleDistance},
            {"wind_dir", 0.0},
            {"wind_force", 0.0},
            {"wind_ang", 0.0},
            {"wind_rand", 0.0},
            {nullptr, p.kickableArea(p.playerType(kDefaultPlayerType))},
            {"catchable_area_l", p.catchableAreaL},
            {"catchable_area_w", p.catchableAreaW},
            {"catch_probability", 1.0},
            {"goalie_max_moves", 2.0},
            {"ckick_margin", kCornerMargin},
            {"offside_active_area_size", 2.5},
            {"wind_none", 0.0},
            {"wind_random", 0.0},
            {"say_coach_cnt_max", 128.0},
            {"say_coach_msg_size", 128.0},
            {"clang_win_size", 300.0},
            {"clang_define_win", 1.0},
            {"clang_meta_win", 1.0},
            {"clang_advice_win", 1.0},
            {"clang_info_win", 1.0},
            {"clang_mess_delay", 50.0},
            {"clang_mess_per_cycle", 1.0},
            {"half_time", 300.0},
            {"simulator_step", cycles(p.cycleLength)},
            {"send_step", cycles(p.visualIntervalNormal)},
            {"recv_step", cycles(p.serverReceiveStep)},
            {"sense_body_step", cycles(p.bodySenseInterval)},
            {nullptr, 300.0},
            {"say_msg_size", static_cast<double>(kSayMaxLength)},
            {"hear_max", 1.0},
            {"hear_inc", 1.0},
            {"hear_decay", 1.0},
            {"catch_ban_cycle", cycles(p.catchBanCycles)},
            {"slow_down_factor", 1.0},
            {"use_offside", 0.0},
            {"forbid_kick_off_offside", 1.0},
            {"offside_kick_margin", kCentreCircleRadius},
            {"audio_cut_dist", kAudioCutDistance},
            {"quantize_step", kMovingQuantizeStep},
            {"quantize_step_l", p.landmarkQuantizeStep},
            {nullptr, -1.0},
            {nullptr, -1.0},
            {nullptr, -1.0},
            {nullptr, -1.0},
            {nullptr, -1.0},
            {nullptr, -1.0},
            {nullptr, -1.0},
            {"coach", 0.0},
            {"coach_w_referee", 0.0},
            {"old_coach_hear", 0.0},
            {"send_vi_step", 100.0},
            {"start_goal_l", 0.0},
            {"start_goal_r", 0.0},
            {"fullstate_l", 0.0},
            {"fullstate_r", 0.0},
            {"drop_ball_time", 200.0},
            {"tackle_dist", p.tackleDist, false},
            {"tackle_back_dist", p.tackleBackDist, false},
            {"tackle_width", p.tackleWidth, false},
            {"tackle_exponent", p.tackleExponent, false},
            {"tackle_cycles", cycles(p.tackleCycles), false},
            {"tackle_power_rate", p.tacklePowerRate, false},
            {"synch_mode", cycles(p.synchMode), false},
            {"extra_stamina", p.extraStamina, false}};
}

// Clients of version 14 and later also learn the types' kick power rate and catch stretch.
std::vector<Parameter> typeParameters(int id, const PlayerType& t, double version) {
    std::vector<Parameter> out{{"id", static_cast<double>(id)},
                               {"player_speed_max", t.playerSpeedMax},
                               {"stamina_inc_max", t.staminaIncMax},
                               {"player_decay", t.playerDecay},
                               {"inertia_moment", t.inertiaMoment},
                               {"dash_power_rate", t.dashPowerRate},
                               {"player_size", t.playerSize},
                               {"kickable_margin", t.kickableMargin},
                               {"kick_rand", t.kickRand},
                               {"extra_stamina", t.extraStamina},
                               {"effort_max", t.effortMax},
                               {"effort_min", t.effortMin}};
    if (version >= 14.0) {
        out.push_back({"kick_power_rate", t.kickPowerRate, false});
        out.push_back({"catchable_area_l_stretch", t.catchableAreaLStretch, false});
    }
    return out;
}

std::string parameterList(const char* kind, const std::vector<Parameter>& values, bool named) {
    std::string out = std::string("(") + kind + (named ? " " : "");
    for (const Parameter& p : values) {
        if (named && p.name != nullptr) {
            out += '(';
            out += p.name;
            out += ' ';
            out += formatNumber(p.value);
            out += ')';
        } else if (!named && p.positional) {
            out += ' ';
            out += formatNumber(p.value);
        }
    }
    return out + ')';
}

}  // namespace

std::string formatNumber(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", v);
    return text;
}

bool newProtocol(double version) {
    return version >= 8.0;
}

std::string senseBodyMessage(int time, const PlayerState& p) {
    static constexpr const char* kWidths[] = {"narrow", "normal", "wide"};
    std::string out = "(sense_body " + std::to_string(time);
    add(out, "view_mode",
        std::string(p.viewQuality == 1 ? "high " : "low ") + kWidths[p.viewWidth]);
    add(out, "stamina", formatNumber(p.stamina) + ' ' + formatNumber(p.effort));
    const double speed = quantizeValue(length(p.vel), 0.01);
    const int speedDirection = roundDegrees(normalizeAngle(directionOf(p.vel) - p.head()));
    add(out, "speed", formatNumber(speed) + ' ' + std::to_string(speedDirection));
    add(out, "head_angle", std::to_string(roundDegrees(p.neck)));
    add(out, "kick", p.kickCount);
    add(out, "dash", p.dashCount);
    add(out, "turn", p.turnCount);
    add(out, "say", p.sayCount);
    add(out, "turn_neck", p.turnNeckCount);
    add(out, "catch", p.catchCount);
    add(out, "move", p.moveCount);
    add(out, "change_view", p.changeViewCount);
    if (newProtocol(p.version)) {
        add(out, "arm",
            "(movable 0) (expires 0) (target 0 0) (count " + std::to_string(p.armCount) + ')');
        const std::string target =
            p.focusSide == 0 ? std::string("none")
                             : std::string(1, p.focusSide) + ' ' + std::to_string(p.focusNumber);
        add(out, "focus", "(target " + target + ") (count " + std::to_string(p.focusCount) + ')');
        add(out, "tackle",
            "(expires " + std::to_string(p.tackleExpires) + ") (count " +
                std::to_string(p.tackleCount) + ')');
    }
    return out + ')';
}

std::string refereeMessage(int time, std::string_view text) {
    return "(hear " + std::to_string(time) + " referee " + std::string(text) + ')';
}

std::string heardMessage(int time, const PlayerState& listener, const SaidMessage& said) {
    const std::string quoted = '"' + said.text + '"';
    std::string out = "(hear " + std::to_string(time) + ' ';
    if (said.side == listener.side && said.number == listener.number) {
        return out + "self " + quoted + ')';
    }
    const int direction =
        roundDegrees(normalizeAngle(directionOf(said.pos - listener.pos) - listener.head()));
    out += std::to_string(direction) + ' ';
    if (newProtocol(listener.version)) {
        out += said.side == listener.side ? "our " + std::to_string(said.number) + ' '
                                          : std::string("opp ");
    }
    return out + quoted + ')';
}

std::string scoreMessage(int time, int own, int other) {
    return "(score " + std::to_string(time) + ' ' + std::to_string(own) + ' ' +
           std::to_string(other) + ')';
}

std::vector<std::string> parameterMessages(const ServerParams& params, double version) {
    const bool named = newProtocol(version);
    std::vector<std::string> out;
    out.push_back(parameterList("server_param", serverParameters(params), named));
    out.push_back(parameterList("player_param",
                                {{"player_types", static_cast<double>(params.playerTypeCount)},
                                 {"subs_max", 3.0},
                                 {"pt_max", 1.0}},
                                named));
    for (int id = 0; id < params.playerTypeCount; ++id) {
        out.push_back(parameterList("player_type",
                                    typeParameters(id, params.playerType(id), version), named));
    }
    return out;
}

std::string changePlayerTypeMessage(int number, std::optional<int> type) {
    return "(change_player_type " + std::to_string(number) +
           (type ? ' ' + std::to_string(*type) : std::string()) + ')';
}

}  // namespace zamo::practice
