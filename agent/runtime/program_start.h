// What both player programs do with their arguments before anything else.
#pragma once

#include <optional>

#include "agent/config/launch_arguments.h"

namespace zamo {

// The program's arguments after its name, read.
CommandLine readCommandLine(int argc, char** argv);

// What the player's programs do with their arguments before anything else: print --help, refuse
// arguments not understood, and find out now rather than after a whole match that the statistics
// file cannot be written. The exit status when the program is to end here.
std::optional<int> checkStartArguments(const CommandLine& commandLine);

}  // namespace zamo
