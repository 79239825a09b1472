// One command as the decision hands it over, and one cycle's list of them.
#pragma once

#include <array>
#include <cstddef>

namespace zamo {

// Kind codes of a ServerCommand. The gaps are codes the server's commands do not use here.
inline constexpr int kCatchCommand = 0;
inline constexpr int kDashCommand = 1;
inline constexpr int kKickCommand = 2;
inline constexpr int kMoveCommand = 3;
inline constexpr int kTurnCommand = 4;
inline constexpr int kTackleCommand = 5;
inline constexpr int kTurnNeckCommand = 8;
inline constexpr int kChangeViewCommand = 10;
// An entry that stays in a list but is never sent.
inline constexpr int kNoCommand = 19;

// One command as the decision code hands it over, before formatting.
//   catch: direction | dash: power | kick: power, direction | move: x, y | turn: desired angle |
//   tackle: power | turn_neck: neck turn | change_view: width code, quality code
struct ServerCommand {
    int kind = kNoCommand;
    int essential =
        0;  // whether the look behaviour must leave the entry alone; not read by sending
    double firstValue = 0.0;
    double secondValue = 0.0;
};

inline constexpr std::size_t kCommandListCapacity = 8;

// One cycle's commands, sent in order.
struct CommandList {
    int count = 0;
    std::array<ServerCommand, kCommandListCapacity> entries{};

    // False, and nothing appended, when the list is full.
    bool append(const ServerCommand& command) {
        if (count < 0 || static_cast<std::size_t>(count) >= entries.size()) {
            return false;
        }
        entries[static_cast<std::size_t>(count++)] = command;
        return true;
    }
};

}  // namespace zamo
