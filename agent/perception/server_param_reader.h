// The server's parameter and player-type messages into ServerParams.
#pragma once

#include <optional>
#include <string_view>

namespace zamo {

struct ServerParams;

// A change of one player's heterogeneous type. The server names the type only for the own team.
struct PlayerTypeChange {
    int number = 0;
    bool ownTeam = false;
    int type = 0;  // kUnknownPlayerType for an opponent
};

// The whole token as a finite decimal number; false, with value unchanged, for anything else
// ("nan", "inf", "1e999", "3x").
bool readFiniteNumber(std::string_view token, double& value);

// The parameter messages that follow the server's init and reconnect replies: named values
// "(server_param (name value)...)" from protocol version 8 on, bare numbers in a fixed order
// for version 7. Each reader returns false and changes nothing for a malformed message. In a
// well-formed one, unknown names are ignored, and a value that is no number or lies outside its
// sound range keeps the previous one. Text is read up to its first NUL byte.
bool readServerParam(std::string_view text, ServerParams& params);
bool readPlayerParam(std::string_view text, ServerParams& params);
// A type id the server cannot have sent (outside 0..player_types - 1) leaves the message unread.
bool readPlayerType(std::string_view text, ServerParams& params);
// "(change_player_type UNUM TYPE)" for the own team, "(change_player_type UNUM)" for the
// opponents; nullopt for anything else, a number outside 1..11 and a type the server has not.
std::optional<PlayerTypeChange> readChangePlayerType(std::string_view text,
                                                     const ServerParams& params);

}  // namespace zamo
