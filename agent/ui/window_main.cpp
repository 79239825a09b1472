#include "agent/ui/window_main.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include <QApplication>
#include <QCoreApplication>
#include <QString>

#include "agent/config/launch_arguments.h"
#include "agent/ui/main_frame.h"

namespace zamo {

int runWindow(const CommandLine& commandLine, int& argc, char** argv) {
    // Without any display Qt would abort the process; say what to do instead.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::fprintf(stderr,
                     "ZamoSoccer: no display to open the window on; run it with --headless "
                     "(see --help)\n");
        return 2;
    }
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
    if (commandLine.minimized) {
        frame.showMinimized();
    } else {
        frame.show();
    }
    application.exec();
    return frame.closeReason() == CloseReason::kConnectFailed ? 1 : 0;
}

}  // namespace zamo
