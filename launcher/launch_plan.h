#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "launcher/launch_settings.h"

namespace zamo {

inline constexpr int kPlayerCount = 11;

// One program to start: its path, its arguments (one each, no shell) and its working directory
// (empty: the launcher's own).
struct StartRequest {
    std::string program;
    std::vector<std::string> arguments;
    std::string workingDirectory;
};

// What the dialog's boxes ask to start; players[0] is player 1.
struct LaunchSelection {
    bool server = false;
    bool monitor = false;
    std::array<bool, kPlayerCount> players{};
};

// The directory part of `program`: everything before its last "/" ("/" itself for a file in the
// root, empty for a bare name).
std::string directoryOf(std::string_view program);

// A request for `program` run in its own directory.
StartRequest startRequestFor(std::string_view program, std::vector<std::string> arguments = {});

// The agent's switches for player `playerNumber`, each "--switch" followed by its value, then
// "--minimized".
std::vector<std::string> agentArguments(const LaunchSettings& settings, int playerNumber);

// Server first, then monitor, then the selected players in ascending number.
std::vector<StartRequest> buildLaunchPlan(const LaunchSettings& settings,
                                          const LaunchSelection& selection);

}  // namespace zamo
