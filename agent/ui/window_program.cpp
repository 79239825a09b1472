// ZamoSoccerWindow: the player with its main window, which ZamoSoccer becomes when it is not
// asked to run headless. Only this program loads the window toolkit.
#include <cstdio>

#include "agent/runtime/program_start.h"
#include "agent/ui/window_main.h"

int main(int argc, char** argv) {
    const zamo::CommandLine commandLine = zamo::readCommandLine(argc, argv);
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
