// ZamoMonitor: watches a match live from a simulator server, or replays a game log, and takes
// pictures of either without a display.
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QString>
#include <QTimer>

#include "gamelog/game_log_reader.h"
#include "monitor/log_lookup.h"
#include "monitor/match_picture.h"
#include "monitor/monitor_options.h"
#include "monitor/monitor_window.h"

namespace {

using zamo::monitor::MonitorOptions;

volatile std::sig_atomic_t stopRequested = 0;

void requestStop(int) {
    stopRequested = 1;
}

// SIGINT and SIGTERM close the window the way its user would, so a live monitor says goodbye.
void closeOnTermination(QWidget& window) {
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    auto* poll = new QTimer(&window);
    QObject::connect(poll, &QTimer::timeout, &window, [&window] {
        if (stopRequested != 0) {
            window.close();
        }
    });
    poll->start(100);
}

int fail(const std::string& message) {
    std::fprintf(stderr, "ZamoMonitor: %s\n", message.c_str());
    return 1;
}

bool displayAvailable() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

// Pictures need no screen: without one, Qt draws off-screen.
void drawOffscreenWithoutDisplay() {
    if (!displayAvailable()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
}

std::optional<zamo::gamelog::GameLog> readLog(const MonitorOptions& options, int& status) {
    std::error_code error;
    if (!std::filesystem::exists(options.logPath, error)) {
        status = fail("no such file: " + options.logPath.string());
        return std::nullopt;
    }
    if (std::filesystem::is_directory(options.logPath, error)) {
        status = fail(options.logPath.string() + " is a folder, not a game log");
        return std::nullopt;
    }
    std::string reason;
    auto log = zamo::gamelog::readGameLog(options.logPath, reason);
    if (!log) {
        status = fail("cannot read the game log " + options.logPath.string() + ": " + reason);
        return std::nullopt;
    }
    return log;
}

// The frame to start at: that of --cycle when given, else the first.
std::optional<int> startFrame(const MonitorOptions& options, const zamo::gamelog::GameLog& log,
                              int& status) {
    if (!options.cycle) {
        return 0;
    }
    const auto frame = zamo::monitor::frameOfCycle(log.frames, *options.cycle);
    if (!frame) {
        status = fail("cycle " + std::to_string(*options.cycle) + " is not in " +
                      options.logPath.string() + " (it has cycles " +
                      std::to_string(log.frames.front().cycle) + " to " +
                      std::to_string(log.frames.back().cycle) + ")");
    }
    return frame;
}

bool savePicture(const QImage& image, const std::filesystem::path& path) {
    return image.save(QString::fromStdString(path.string()), "PNG");
}

int replayPicture(const MonitorOptions& options, int argc, char** argv) {
    drawOffscreenWithoutDisplay();
    QGuiApplication application(argc, argv);
    int status = 0;
    const auto log = readLog(options, status);
    if (!log) {
        return status;
    }
    const auto index = startFrame(options, *log, status);
    if (!index) {
        return status;
    }
    zamo::monitor::PictureOptions picture;
    picture.viewCones = options.viewCones;
    picture.stamina = options.stamina;
    picture.staminaMax = zamo::monitor::staminaMaxOf(log->serverParams);
    const auto& frame = log->frames[static_cast<std::size_t>(*index)];
    if (!savePicture(
            zamo::monitor::renderMatch(&frame, QSize(options.width, options.height), picture),
            options.screenshotPath)) {
        return fail("cannot write the picture " + options.screenshotPath.string());
    }
    std::printf("wrote %s: cycle %d, %s\n", options.screenshotPath.string().c_str(), frame.cycle,
                zamo::monitor::matchTitle(frame.teams).toStdString().c_str());
    return 0;
}

// Live picture: the window itself, once it shows a frame of the cycle asked for.
int livePicture(const MonitorOptions& options, int argc, char** argv) {
    drawOffscreenWithoutDisplay();
    QApplication application(argc, argv);
    zamo::monitor::MonitorWindow window(options);
    std::string error;
    if (!window.start(error)) {
        return fail(error);
    }
    window.resize(options.width, options.height);
    window.show();
    closeOnTermination(window);
    int status = 1;
    const int wanted = options.cycle.value_or(0);
    QObject::connect(&window, &zamo::monitor::MonitorWindow::frameShown, &window, [&](int cycle) {
        if (cycle < wanted || status == 0) {
            return;
        }
        status = 0;
        // After this frame has been painted.
        QTimer::singleShot(0, &window, [&] {
            const QImage image = window.grab().toImage();
            if (!savePicture(image, options.screenshotPath)) {
                status = fail("cannot write the picture " + options.screenshotPath.string());
            } else {
                std::printf("wrote %s: cycle %d, %s\n", options.screenshotPath.string().c_str(),
                            window.frame()->cycle, window.windowTitle().toStdString().c_str());
            }
            window.close();
        });
    });
    QTimer::singleShot(options.waitSeconds * 1000, &window, [&] {
        if (status != 0) {
            fail("no frame of cycle " + std::to_string(wanted) + " or later from " + options.host +
                 ":" + std::to_string(options.port) + " within " +
                 std::to_string(options.waitSeconds) + " s");
            window.close();
        }
    });
    application.exec();
    return status;
}

int runWindow(const MonitorOptions& options, int argc, char** argv) {
    if (!displayAvailable()) {
        return fail(
            "no display to open the window on (DISPLAY and WAYLAND_DISPLAY are unset); "
            "--screenshot makes a picture without one (see --help)");
    }
    QApplication application(argc, argv);
    int status = 0;
    std::optional<zamo::monitor::MonitorWindow> window;
    if (options.replay()) {
        auto log = readLog(options, status);
        if (!log) {
            return status;
        }
        const auto index = startFrame(options, *log, status);
        if (!index) {
            return status;
        }
        window.emplace(options, std::move(*log), *index);
    } else {
        window.emplace(options);
        std::string error;
        if (!window->start(error)) {
            return fail(error);
        }
    }
    window->show();
    closeOnTermination(*window);
    return application.exec();
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string_view> args(argv + 1, argv + argc);
    std::string error;
    const auto options = zamo::monitor::parseMonitorOptions(args, error);
    if (!options) {
        std::fprintf(stderr, "ZamoMonitor: %s (try --help)\n", error.c_str());
        return 2;
    }
    if (options->help) {
        const std::string_view usage = zamo::monitor::monitorUsage();
        std::fwrite(usage.data(), 1, usage.size(), stdout);
        return 0;
    }
    if (!options->screenshotPath.empty()) {
        return options->replay() ? replayPicture(*options, argc, argv)
                                 : livePicture(*options, argc, argv);
    }
    return runWindow(*options, argc, argv);
}
