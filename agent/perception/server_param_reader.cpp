// The server's parameter and player-type messages into ServerParams.
#include "agent/perception/server_param_reader.h"

#include <array>
#include <charconv>
#include <cmath>
#include <system_error>

#include "agent/config/server_params.h"
#include "agent/perception/world_snapshot.h"

namespace zamo {

namespace {

// One parameter the agent reads: its name from protocol version 8 on, its place in the
// version 7 list (-1 when that list lacks it), where it goes and the range of sound values.
template <typename Record>
struct Field {
    std::string_view name;
    int position = -1;
    double Record::*real = nullptr;
    int Record::*integer = nullptr;
    double min = 0.0;
    double max = 0.0;
};

template <typename Record>
constexpr Field<Record> real(std::string_view name, int position, double Record::*member,
                             double min, double max) {
    return {name, position, member, nullptr, min, max};
}

template <typename Record>
constexpr Field<Record> integer(std::string_view name, int position, int Record::*member,
                                double min, double max) {
    return {name, position, nullptr, member, min, max};
}

using SP = ServerParams;
using PT = PlayerType;

// Decays must stay below 1 (a ball or player that never slows) and sizes, rates and speeds
// above 0 (they divide); the upper ends only keep absurd values out.
constexpr std::array kServerFields{
    integer("simulator_step", 70, &SP::cycleLength, 1, 10000),
    integer("sense_body_step", 73, &SP::bodySenseInterval, 1, 10000),
    integer("send_step", 71, &SP::visualIntervalNormal, 1, 10000),
    integer("recv_step", 72, &SP::serverReceiveStep, 1, 10000),
    real("ball_decay", 27, &SP::ballDecay, 0.0, 0.999),
    real("ball_size", 26, &SP::ballSize, 0.001, 10.0),
    real("ball_speed_max", 30, &SP::ballSpeedMax, 0.01, 100.0),
    real("ball_accel_max", 31, &SP::ballAccelMax, 0.01, 100.0),
    real("quantize_step_l", 86, &SP::landmarkQuantizeStep, 0.0, 1.0),
    real("catchable_area_l", 52, &SP::catchableAreaL, 0.01, 20.0),
    real("catchable_area_w", 53, &SP::catchableAreaW, 0.01, 20.0),
    real("dash_power_rate", 32, &SP::dashPowerRate, 1e-5, 1.0),
    real("kick_power_rate", 33, &SP::kickPowerRate, 1e-5, 1.0),
    real("kickable_margin", 34, &SP::kickableMargin, 0.01, 10.0),
    real("kick_rand", 20, &SP::kickRand, 0.0, 10.0),
    real("inertia_moment", 1, &SP::inertiaMoment, 0.0, 100.0),
    real("player_size", 2, &SP::playerSize, 0.01, 10.0),
    real("player_decay", 3, &SP::playerDecay, 0.0, 0.999),
    real("player_speed_max", 6, &SP::playerSpeedMax, 0.01, 100.0),
    real("player_accel_max", 7, &SP::playerAccelMax, 0.01, 100.0),
    real("maxmoment", 39, &SP::maxMoment, 1.0, 360.0),
    real("minmoment", 40, &SP::minMoment, -360.0, -1.0),
    real("maxneckang", 43, &SP::maxNeckAngle, 0.0, 180.0),
    real("minneckang", 44, &SP::minNeckAngle, -180.0, 0.0),
    real("maxpower", 37, &SP::maxPower, 1.0, 10000.0),
    real("minpower", 38, &SP::minPower, -10000.0, 0.0),
    real("goal_width", 0, &SP::goalWidth, 0.1, 68.0),
    real("stamina_max", 8, &SP::staminaMax, 1.0, 1e7),
    real("stamina_inc_max", 9, &SP::staminaIncMax, 0.0, 1e6),
    real("stamina_capacity", -1, &SP::staminaCapacity, -1e9, 1e9),
    real("extra_stamina", -1, &SP::extraStamina, 0.0, 1e6),
    real("effort_dec_thr", 15, &SP::effortDecThr, 0.0, 1.0),
    real("effort_dec", 17, &SP::effortDec, 0.0, 1.0),
    real("effort_inc_thr", 18, &SP::effortIncThr, 0.0, 1.0),
    real("effort_inc", 19, &SP::effortInc, 0.0, 1.0),
    real("effort_init", 14, &SP::effortInit, 0.001, 10.0),
    real("effort_min", 16, &SP::effortMin, 0.001, 10.0),
    real("recover_dec_thr", 11, &SP::recoverDecThr, 0.0, 1.0),
    real("recover_dec", 13, &SP::recoverDec, 0.0, 1.0),
    real("recover_init", 10, &SP::recoverInit, 0.001, 10.0),
    real("recover_min", 12, &SP::recoverMin, 0.0, 10.0),
    real("tackle_dist", -1, &SP::tackleDist, 0.01, 100.0),
    real("tackle_back_dist", -1, &SP::tackleBackDist, 0.0, 100.0),
    real("tackle_width", -1, &SP::tackleWidth, 0.01, 100.0),
    real("tackle_exponent", -1, &SP::tackleExponent, 0.01, 100.0),
    real("tackle_power_rate", -1, &SP::tacklePowerRate, 0.0, 1.0),
    real("visible_angle", 45, &SP::visibleAngle, 1.0, 360.0),
    integer("catch_ban_cycle", 79, &SP::catchBanCycles, 0, 1000),
    integer("tackle_cycles", -1, &SP::tackleCycles, 0, 1000),
    integer("synch_mode", -1, &SP::synchMode, 0, 1),
};

constexpr std::array kPlayerParamFields{
    integer("player_types", 0, &SP::playerTypeCount, 1, kMaxPlayerTypes),
};

// The version 7 list gives the id first, at position 0.
constexpr std::array kPlayerTypeFields{
    real("player_speed_max", 1, &PT::playerSpeedMax, 0.01, 100.0),
    real("stamina_inc_max", 2, &PT::staminaIncMax, 0.0, 1e6),
    real("player_decay", 3, &PT::playerDecay, 0.0, 0.999),
    real("inertia_moment", 4, &PT::inertiaMoment, 0.0, 100.0),
    real("dash_power_rate", 5, &PT::dashPowerRate, 1e-5, 1.0),
    real("player_size", 6, &PT::playerSize, 0.01, 10.0),
    real("kickable_margin", 7, &PT::kickableMargin, 0.01, 10.0),
    real("kick_rand", 8, &PT::kickRand, 0.0, 10.0),
    real("extra_stamina", 9, &PT::extraStamina, 0.0, 1e6),
    real("effort_max", 10, &PT::effortMax, 0.001, 10.0),
    real("effort_min", 11, &PT::effortMin, 0.001, 10.0),
    real("kick_power_rate", -1, &PT::kickPowerRate, 1e-5, 1.0),
    real("catchable_area_l_stretch", -1, &PT::catchableAreaLStretch, 0.1, 10.0),
};

constexpr std::string_view kTypeIdName = "id";

bool blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// A whole number within [min, max]; nullopt for anything else.
std::optional<int> toWholeNumber(std::string_view token, double min, double max) {
    double value = 0.0;
    if (!readFiniteNumber(token, value) || !(value >= min && value <= max) ||
        value != std::trunc(value)) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

template <typename Record>
void assign(const Field<Record>& field, std::string_view token, Record& record) {
    if (field.integer != nullptr) {
        if (const auto value = toWholeNumber(token, field.min, field.max)) {
            record.*field.integer = *value;
        }
        return;
    }
    double value = 0.0;
    if (readFiniteNumber(token, value) && value >= field.min && value <= field.max) {
        record.*field.real = value;
    }
}

template <typename Record, std::size_t N>
const Field<Record>* byName(const std::array<Field<Record>, N>& fields, std::string_view name) {
    for (const Field<Record>& field : fields) {
        if (field.name == name) {
            return &field;
        }
    }
    return nullptr;
}

template <typename Record, std::size_t N>
const Field<Record>* byPosition(const std::array<Field<Record>, N>& fields, int position) {
    for (const Field<Record>& field : fields) {
        if (field.position == position) {
            return &field;
        }
    }
    return nullptr;
}

// A message "(head body)", cut at its first NUL byte; trailing blanks are allowed.
struct Message {
    std::string_view head;
    std::string_view body;
    bool named = false;  // the body is a list of "(name value)" items
};

std::optional<Message> splitMessage(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    if (text.size() < 2 || text.front() != '(' || text.back() != ')') {
        return std::nullopt;
    }
    const std::string_view inner = text.substr(1, text.size() - 2);
    std::size_t i = 0;
    while (i < inner.size() && !blank(inner[i]) && inner[i] != '(' && inner[i] != ')') {
        ++i;
    }
    Message message{inner.substr(0, i), inner.substr(i)};
    const std::size_t first = message.body.find_first_not_of(" \t\n\r");
    message.named = first != std::string_view::npos && message.body[first] == '(';
    return message;
}

// Calls use(name, value) for every "(name value)" item of a named body; a value is a bare word
// or a quoted text. False, before any call, when the body is anything else.
template <typename Use>
bool forEachNamed(std::string_view body, Use use) {
    const auto walk = [&](bool call) {
        std::size_t i = 0;
        const auto skipBlanks = [&] {
            while (i < body.size() && blank(body[i])) {
                ++i;
            }
        };
        const auto wordEnd = [&](std::size_t from) {
            while (from < body.size() && !blank(body[from]) && body[from] != '(' &&
                   body[from] != ')' && body[from] != '"') {
                ++from;
            }
            return from;
        };
        for (;;) {
            skipBlanks();
            if (i == body.size()) {
                return true;
            }
            if (body[i] != '(') {
                return false;
            }
            const std::size_t nameStart = ++i;
            i = wordEnd(i);
            const std::string_view name = body.substr(nameStart, i - nameStart);
            const std::size_t gap = i;
            skipBlanks();
            if (name.empty() || i == gap || i == body.size()) {
                return false;
            }
            const std::size_t valueStart = i;
            if (body[i] == '"') {
                const std::size_t close = body.find('"', i + 1);
                if (close == std::string_view::npos) {
                    return false;
                }
                i = close + 1;
            } else {
                i = wordEnd(i);
            }
            const std::string_view value = body.substr(valueStart, i - valueStart);
            skipBlanks();
            if (value.empty() || i == body.size() || body[i] != ')') {
                return false;
            }
            ++i;
            if (call) {
                use(name, value);
            }
        }
    };
    return walk(false) && walk(true);
}

// Calls use(position, token) for every blank-separated number of a version 7 body. False, before
// any call, when the body holds parentheses or quotes.
template <typename Use>
bool forEachPositional(std::string_view body, Use use) {
    if (body.find_first_of("()\"") != std::string_view::npos) {
        return false;
    }
    int position = 0;
    std::size_t i = 0;
    while (i < body.size()) {
        if (blank(body[i])) {
            ++i;
            continue;
        }
        const std::size_t start = i;
        while (i < body.size() && !blank(body[i])) {
            ++i;
        }
        use(position++, body.substr(start, i - start));
    }
    return true;
}

// Applies the fields of a message body to record.
template <typename Record, std::size_t N>
bool applyFields(const Message& message, const std::array<Field<Record>, N>& fields,
                 Record& record) {
    if (message.named) {
        return forEachNamed(message.body, [&](std::string_view name, std::string_view value) {
            if (const Field<Record>* field = byName(fields, name)) {
                assign(*field, value, record);
            }
        });
    }
    return forEachPositional(message.body, [&](int position, std::string_view value) {
        if (const Field<Record>* field = byPosition(fields, position)) {
            assign(*field, value, record);
        }
    });
}

int usableTypeCount(const ServerParams& params) {
    return std::min(params.playerTypeCount, kMaxPlayerTypes);
}

}  // namespace

bool readFiniteNumber(std::string_view token, double& value) {
    const char* end = token.data() + token.size();
    double parsed = 0.0;
    const auto [stop, error] = std::from_chars(token.data(), end, parsed);
    if (error != std::errc() || stop != end || !std::isfinite(parsed)) {
        return false;
    }
    value = parsed;
    return true;
}

bool readServerParam(std::string_view text, ServerParams& params) {
    const std::optional<Message> message = splitMessage(text);
    if (!message || message->head != "server_param") {
        return false;
    }
    ServerParams staged = params;
    if (!applyFields(*message, kServerFields, staged)) {
        return false;
    }
    // Types the server has not described yet are the default type of these parameters.
    for (std::size_t id = 0; id < staged.playerTypes.size(); ++id) {
        if (!staged.playerTypeSent[id]) {
            staged.playerTypes[id] = staged.defaultPlayerType();
        }
    }
    params = staged;
    return true;
}

bool readPlayerParam(std::string_view text, ServerParams& params) {
    const std::optional<Message> message = splitMessage(text);
    if (!message || message->head != "player_param") {
        return false;
    }
    ServerParams staged = params;
    if (!applyFields(*message, kPlayerParamFields, staged)) {
        return false;
    }
    params.playerTypeCount = staged.playerTypeCount;
    return true;
}

bool readPlayerType(std::string_view text, ServerParams& params) {
    const std::optional<Message> message = splitMessage(text);
    if (!message || message->head != "player_type") {
        return false;
    }
    const double lastId = usableTypeCount(params) - 1;
    std::optional<int> id;
    bool idTwice = false;
    const auto noteId = [&](std::string_view token) {
        idTwice = idTwice || id.has_value();
        id = toWholeNumber(token, 0, lastId);
    };
    const bool wellFormed =
        message->named
            ? forEachNamed(message->body,
                           [&](std::string_view name, std::string_view value) {
                               if (name == kTypeIdName) {
                                   noteId(value);
                               }
                           })
            : forEachPositional(message->body, [&](int position, std::string_view value) {
                  if (position == 0) {
                      noteId(value);
                  }
              });
    if (!wellFormed || !id || idTwice) {
        return false;
    }
    const auto index = static_cast<std::size_t>(*id);
    PlayerType staged = params.playerTypes[index];
    applyFields(*message, kPlayerTypeFields, staged);
    params.playerTypes[index] = staged;
    params.playerTypeSent[index] = true;
    return true;
}

std::optional<PlayerTypeChange> readChangePlayerType(std::string_view text,
                                                     const ServerParams& params) {
    const std::optional<Message> message = splitMessage(text);
    if (!message || message->head != "change_player_type" || message->named) {
        return std::nullopt;
    }
    std::array<std::string_view, 2> tokens;
    int count = 0;
    const bool wellFormed =
        forEachPositional(message->body, [&](int position, std::string_view token) {
            if (position < static_cast<int>(tokens.size())) {
                tokens[static_cast<std::size_t>(position)] = token;
            }
            ++count;
        });
    if (!wellFormed || count < 1 || count > 2) {
        return std::nullopt;
    }
    const std::optional<int> number = toWholeNumber(tokens[0], 1, kTeamSize);
    if (!number) {
        return std::nullopt;
    }
    if (count == 1) {
        return PlayerTypeChange{*number, false, kUnknownPlayerType};
    }
    const std::optional<int> type = toWholeNumber(tokens[1], 0, usableTypeCount(params) - 1);
    if (!type) {
        return std::nullopt;
    }
    return PlayerTypeChange{*number, true, *type};
}

}  // namespace zamo
