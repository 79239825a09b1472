// ZamoMonitor watching a match of our players live on the practice server: off-screen, then in
// a window on a real X display (Xvfb); then the game log of the same match replayed.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include <QImage>

#include "monitor/match_picture.h"
#include "support/agent_process.h"
#include "support/monitor_run.h"
#include "support/practice_server.h"
#include "support/temp_dir.h"
#include "support/xvfb_display.h"

namespace zamo {
namespace {

using namespace std::chrono_literals;

int countNear(const QImage& image, QRgb colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            n += (image.pixel(x, y) & 0xffffff) == (colour & 0xffffff) ? 1 : 0;
        }
    }
    return n;
}

class LiveMonitorTest : public ::testing::Test {
  protected:
    // The practice server with a game log, and three players in each team; kick-off waits 3 s
    // after the last registration, so that a team slow to start on a loaded machine plays.
    void startMatch() {
        const auto started = test::startPracticeServer(
            server, dir,
            {"--half-cycles", "150", "--kickoff-wait", "30", "--game-log", log.string()});
        ASSERT_TRUE(started) << server.standardError();
        port = *started;
        std::string why;
        ASSERT_TRUE(left.start(port, "Zamo_Left", 3, dir.path(), why)) << why;
        ASSERT_TRUE(right.start(port, "Zamo_Right", 3, dir.path(), why)) << why;
    }

    // A picture of the window at cycle 30 or later, its size checked; its title line.
    std::string pictureOfTheWindow(const std::filesystem::path& picture) {
        const auto run =
            test::runToEnd(test::monitorProgramPath(),
                           {"--port", std::to_string(port), "--screenshot", picture.string(),
                            "--cycle", "30", "--size", "900x700", "--wait", "60"},
                           90s);
        EXPECT_EQ(run.status, 0) << run.out << run.err;
        EXPECT_EQ(test::pngSize(picture), std::make_pair(900, 700));
        return run.out;
    }

    // Our players of both teams are on it, in their colours, with the board over the field.
    static void expectMatchDrawn(const std::filesystem::path& picture) {
        const QImage image(QString::fromStdString(picture.string()));
        ASSERT_FALSE(image.isNull());
        EXPECT_GT(countNear(image, monitor::colours::kLeftTeam), 1000);  // players and board
        EXPECT_GT(countNear(image, monitor::colours::kRightTeam), 1000);
        EXPECT_GT(countNear(image, monitor::colours::kLeftGoalie), 20);
        EXPECT_GT(countNear(image, monitor::colours::kRightGoalie), 20);
        EXPECT_GT(countNear(image, monitor::colours::kPitch), 100000);
    }

    test::TempDir dir;
    std::filesystem::path log = dir.path() / "practice.rcg";
    test::AgentProcess server;
    int port = 0;
    test::ScriptTeam left;
    test::ScriptTeam right;
    test::ScopedEnvironment environment;
};

TEST_F(LiveMonitorTest, DrawsTheMatchOffScreenAndInAWindowThenReplaysItsGameLog) {
    startMatch();
    environment.set("QT_QPA_PLATFORM", "offscreen");
    const auto picture = dir.path() / "live.png";
    const std::string said = pictureOfTheWindow(picture);
    EXPECT_NE(said.find("ZamoMonitor: Zamo_Left "), std::string::npos) << said;
    EXPECT_NE(said.find(" Zamo_Right"), std::string::npos) << said;
    expectMatchDrawn(picture);

    // The same match in a window on a real X display.
    test::XvfbDisplay display;
    if (test::xvfbProgram()) {
        std::string why;
        ASSERT_TRUE(test::showOnXvfb(display, environment, why)) << why;
        const auto window = dir.path() / "window.png";
        const std::string title = pictureOfTheWindow(window);
        EXPECT_NE(title.find("ZamoMonitor: Zamo_Left "), std::string::npos) << title;
        expectMatchDrawn(window);
        if (const char* keep = std::getenv("ZAMO_KEEP_PICTURES")) {
            std::filesystem::copy_file(window, std::filesystem::path(keep) / "live-window.png",
                                       std::filesystem::copy_options::overwrite_existing);
        }
    } else {
        std::printf("no window drawn: %s\n", test::kNoXvfb);
    }

    // Interrupted, the server closes its game log, which then replays.
    ASSERT_TRUE(server.signal(SIGINT));
    server.waitForExit(10s);
    const auto replayed = dir.path() / "replay.png";
    const auto run =
        test::runToEnd(test::monitorProgramPath(),
                       {log.string(), "--cycle", "25", "--screenshot", replayed.string()}, 60s);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("cycle 25, ZamoMonitor: Zamo_Left 0 - 0 Zamo_Right"), std::string::npos)
        << run.out;
    expectMatchDrawn(replayed);
}

}  // namespace
}  // namespace zamo
