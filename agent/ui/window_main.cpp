#include "agent/ui/window_main.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include <QApplication>
#include <QCoreApplication>
#include <QString>

#include "agent/config/launch_arguments.h"
#include "agent/runtime/cycle_stats.h"
#include "agent/ui/main_frame.h"

namespace zamo {

int runWindow(const CommandLine& commandLine, int& argc, char** argv) {
    QApplication application(argc, argv);
    // Where the platform would keep the program's settings; the program writes none.
    QCoreApplication::setOrganizationName(QStringLiteral("Local AppWizard-Generated Applications"));
    QCoreApplication::setApplicationName(QStringLiteral("ZamoSoccer"));

    std::error_code error;
    std::filesystem::path workingDirectory = std::filesystem::current_path(error);
    if (error) {
        workingDirectory = ".";
    }

    CMainFrame frame(commandLine.arguments, workingDirectory);
    frame.setVerbose(commandLine.verbose);
    if (commandLine.minimized) {
        frame.showMinimized();
    } else {
        frame.show();
    }
    application.exec();
    const int status = frame.closeReason() == CloseReason::kConnectFailed ? 1 : 0;
    if (commandLine.statsPath.empty()) {
        return status;
    }
    // Once torn down the agent's threads have stopped and its figures are read alone.
    frame.agent().teardown();
    if (!writeStatsFile(commandLine.statsPath, frame.agent().context().runtime.stats().summary())) {
        std::fprintf(stderr, "ZamoSoccer: cannot write the statistics file %s\n",
                     commandLine.statsPath.c_str());
        return 1;
    }
    return status;
}

}  // namespace zamo
