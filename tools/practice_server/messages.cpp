#include "tools/practice_server/messages.h"

#include <cstdio>
#include <utility>

#include "agent/perception/geometry.h"
#include "tools/practice_server/physics.h"
#include "tools/practice_server/visual.h"

namespace zamo::practice {

namespace {

constexpr int kPlayerTypes = 18;

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

// The parameters a client may read, in the order of the real server's positional list for the
// first entries; the values are the ones this server plays with.
std::vector<std::pair<const char*, double>> serverParameters(const ServerParams& p) {
    return {{"goal_width", p.goalWidth},
            {"inertia_moment", p.inertiaMoment},
            {"player_size", p.playerSize},
            {"player_decay", p.playerDecay},
            {"player_rand", 0.0},
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
            {"kick_rand", 0.0},
            {"ball_size", p.ballSize},
            {"ball_decay", p.ballDecay},
            {"ball_rand", 0.0},
            {"ball_speed_max", p.ballSpeedMax},
            {"ball_accel_max", p.ballSpeedMax},
            {"dash_power_rate", p.dashPowerRate},
            {"kick_power_rate", p.kickPowerRate},
            {"kickable_margin", p.kickableMargin},
            {"catchable_area_l", p.catchableAreaL},
            {"catchable_area_w", p.catchableAreaW},
            {"catch_ban_cycle", static_cast<double>(p.catchBanCycles)},
            {"maxpower", p.maxPower},
            {"minpower", p.minPower},
            {"maxmoment", p.maxMoment},
            {"minmoment", p.minMoment},
            {"maxneckang", p.maxNeckAngle},
            {"minneckang", p.minNeckAngle},
            {"visible_angle", p.visibleAngle},
            {"visible_distance", kVisibleDistance},
            {"audio_cut_dist", kAudioCutDistance},
            {"quantize_step", kMovingQuantizeStep},
            {"quantize_step_l", p.landmarkQuantizeStep},
            {"tackle_dist", p.tackleDist},
            {"tackle_back_dist", p.tackleBackDist},
            {"tackle_width", p.tackleWidth},
            {"tackle_exponent", p.tackleExponent},
            {"tackle_cycles", static_cast<double>(p.tackleCycles)},
            {"tackle_power_rate", p.tacklePowerRate},
            {"simulator_step", static_cast<double>(p.cycleLength)},
            {"send_step", static_cast<double>(p.visualIntervalNormal)},
            {"say_msg_size", static_cast<double>(kSayMaxLength)}};
}

std::string parameterList(const char* kind,
                          const std::vector<std::pair<const char*, double>>& values, bool named) {
    std::string out = std::string("(") + kind + (named ? " " : "");
    for (const auto& [name, value] : values) {
        if (named) {
            out += '(';
            out += name;
            out += ' ';
            out += formatNumber(value);
            out += ')';
        } else {
            out += ' ';
            out += formatNumber(value);
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
                                {{"player_types", kPlayerTypes},
                                 {"subs_max", 3},
                                 {"pt_max", 1},
                                 {"allow_mult_default_type", 0}},
                                named));
    // Every type is the default type: this server plays with one kind of player.
    for (int id = 0; id < kPlayerTypes; ++id) {
        out.push_back(parameterList("player_type",
                                    {{"id", id},
                                     {"player_speed_max", params.playerSpeedMax},
                                     {"stamina_inc_max", params.staminaIncMax},
                                     {"player_decay", params.playerDecay},
                                     {"inertia_moment", params.inertiaMoment},
                                     {"dash_power_rate", params.dashPowerRate},
                                     {"player_size", params.playerSize},
                                     {"kickable_margin", params.kickableMargin},
                                     {"kick_rand", 0},
                                     {"extra_stamina", 0},
                                     {"effort_max", params.effortInit},
                                     {"effort_min", params.effortMin}},
                                    named));
    }
    return out;
}

}  // namespace zamo::practice
