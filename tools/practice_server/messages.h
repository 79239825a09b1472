#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "agent/config/server_params.h"
#include "tools/practice_server/field_state.h"

namespace zamo::practice {

// A number as the server writes it: at most six significant digits, no trailing zeros.
std::string formatNumber(double v);

// Clients of version 8 and later get named parameters, the arm, focus and tackle items of
// sense_body and the sender of what they hear.
bool newProtocol(double version);

std::string senseBodyMessage(int time, const PlayerState& p);
std::string refereeMessage(int time, std::string_view text);
// What listener hears of a message said by speaker (the listener itself included).
std::string heardMessage(int time, const PlayerState& listener, const SaidMessage& said);
std::string scoreMessage(int time, int own, int other);

// The parameter messages that follow an init or reconnect reply: named for version 8 and later,
// the real server's positional list for version 7.
std::vector<std::string> parameterMessages(const ServerParams& params, double version);
// A player's new type, told to its own team; the other team learns only that it changed.
std::string changePlayerTypeMessage(int number, std::optional<int> type);

}  // namespace zamo::practice
