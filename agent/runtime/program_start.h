#pragma once

#include <optional>

namespace zamo {

struct CommandLine;

// What the player's programs do with their arguments before anything else: print --help, refuse
// arguments not understood, and find out now rather than after a whole match that the statistics
// file cannot be written. The exit status when the program is to end here.
std::optional<int> checkStartArguments(const CommandLine& commandLine);

}  // namespace zamo
