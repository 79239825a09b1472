#pragma once

#include <string>
#include <string_view>

namespace zamo::practice {

enum class CommandKind {
    kInit,
    kReconnect,
    kBye,
    kDash,
    kTurn,
    kTurnNeck,
    kKick,
    kCatch,
    kTackle,
    kMove,
    kChangeView,
    kSay,
    kScore,
    kPointTo,
    kAttentionTo,
    kDone,     // synchronous mode: the client's commands of this cycle are all sent
    kIllegal,  // a parenthesised text the server does not understand
    kUnknown,  // not even a parenthesised text
};

// One datagram from a client, read. Numbers go to first and second; init and reconnect carry the
// team in text, say carries its message there.
struct ClientCommand {
    CommandKind kind = CommandKind::kIllegal;
    double first = 0.0;
    double second = 0.0;
    std::string text;
    bool goalie = false;        // init
    double version = 0.0;       // init; 0 when not given
    int number = 0;             // reconnect, attentionto
    int viewWidth = 1;          // change_view
    int viewQuality = 1;        // change_view
    char side = 0;              // attentionto: 'l' or 'r', 0 for "off"
    bool relativeSide = false;  // attentionto named "our" or "opp" rather than l or r
};

// Reads a command as clients send it: "(name args...)", optionally followed by zero bytes or a
// line feed.
ClientCommand parseClientCommand(std::string_view text);

}  // namespace zamo::practice
