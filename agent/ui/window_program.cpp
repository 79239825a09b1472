// ZamoSoccerWindow: the player with its main window, which ZamoSoccer becomes when it is not
// asked to run headless. Only this program loads the window toolkit.
#include <cstdio>
#include <string_view>
#include <vector>

#include "agent/config/launch_arguments.h"
#include "agent/runtime/program_start.h"
#include "agent/ui/window_main.h"

int main(int argc, char** argv) {
    std::vector<std::string_view> args;
    for (int i = 1; i < argc; ++i) {
        args.emplace_back(argv[i]);
    }
    const zamo::CommandLine commandLine = zamo::parseArguments(args);
    if (const auto status = zamo::checkStartArguments(commandLine)) {
        return *status;
    }
    if (commandLine.headless) {
        std::fprintf(stderr,
                     "ZamoSoccer: this is the windowed player; run ZamoSoccer --headless\n");
        return 2;
    }
    return zamo::runWindow(commandLine, argc, argv);
}
