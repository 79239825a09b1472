// The windowed program's main function.
#pragma once

namespace zamo {

struct CommandLine;

// Runs the program with its main window until the window closes. Returns the exit status: 1
// when the automatic connection failed, 0 otherwise.
int runWindow(const CommandLine& commandLine, int& argc, char** argv);

}  // namespace zamo
