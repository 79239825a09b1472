// The windowed program's main function.
#include "agent/ui/window_main.h"

#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <thread>

#include <QApplication>
#include <QCoreApplication>
#include <QString>

#include "agent/config/launch_arguments.h"
#include "agent/runtime/cycle_stats.h"
#include "agent/ui/main_frame.h"

namespace zamo {

namespace {

// SIGINT and SIGTERM end the event loop, so the window closes the way its Exit command does: the
// agent says goodbye and the statistics are written. The signals are blocked in every thread
// (block() runs before any other thread starts) and taken by a thread of their own.
class TerminationWatcher {
  public:
    static sigset_t block() {
        sigset_t stopSignals;
        sigemptyset(&stopSignals);
        sigaddset(&stopSignals, SIGINT);
        sigaddset(&stopSignals, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
        return stopSignals;
    }

    explicit TerminationWatcher(const sigset_t& stopSignals) : stopSignals_(stopSignals) {
        thread_ = std::thread([this] {
            int signal = 0;
            while (sigwait(&stopSignals_, &signal) == 0 && !done_.load()) {
                QMetaObject::invokeMethod(
                    QCoreApplication::instance(), [] { QCoreApplication::quit(); },
                    Qt::QueuedConnection);
            }
        });
    }
    ~TerminationWatcher() {
        done_ = true;
        pthread_kill(thread_.native_handle(), SIGTERM);
        thread_.join();
    }
    TerminationWatcher(const TerminationWatcher&) = delete;
    TerminationWatcher& operator=(const TerminationWatcher&) = delete;

  private:
    sigset_t stopSignals_;
    std::atomic<bool> done_{false};
    std::thread thread_;
};

}  // namespace

int runWindow(const CommandLine& commandLine, int& argc, char** argv) {
    // Without any display Qt would abort the process; say what to do instead.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::fprintf(stderr,
                     "ZamoSoccer: no display to open the window on; run it with --headless "
                     "(see --help)\n");
        return 2;
    }
    const sigset_t stopSignals = TerminationWatcher::block();
    QApplication application(argc, argv);
    TerminationWatcher watcher(stopSignals);
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
    if (commandLine.draw) {
        frame.agent().toggleDrawWorldModel();
    }
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
