// scripts/play.sh --monitor: a short match of two whole teams with ZamoMonitor watching where
// there is a display (Xvfb), and a note instead where there is none; its game log replays.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "support/monitor_run.h"
#include "support/temp_dir.h"
#include "support/xvfb_display.h"

namespace zamo {
namespace {

using namespace std::chrono_literals;

TEST(PlayScriptTest, WatchesTheMatchWithTheMonitorOrSaysWhyNot) {
    test::TempDir dir;
    test::ScopedEnvironment environment;
    // The practice server, whatever is on the PATH.
    environment.set("PATH", "/usr/local/bin:/usr/bin:/bin");
    environment.set("TMPDIR", dir.path().string());
    test::XvfbDisplay display;
    std::string why;
    const bool windows = test::showOnXvfb(display, environment, why);
    if (!windows) {
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
            environment.unset(name);
        }
    }
    const auto log = dir.path() / "match.rcg";
    const auto run =
        test::runToEnd("/bin/bash",
                       {std::string(ZAMO_SOURCE_DIR) + "/scripts/play.sh", "--half-cycles", "20",
                        "--monitor", "--game-log", log.string()},
                       240s);
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("final score: Zamo_Left "), std::string::npos) << run.out;
    if (windows) {
        EXPECT_NE(run.out.find("== monitor: ZamoMonitor on port "), std::string::npos) << run.out;
        EXPECT_EQ(run.err.find("no monitor window"), std::string::npos) << run.err;
    } else {
        EXPECT_NE(run.err.find("no display"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("no monitor window"), std::string::npos) << run.err;
    }
    EXPECT_NE(run.out.find("game log: " + log.string()), std::string::npos) << run.out;
    environment.set("QT_QPA_PLATFORM", "offscreen");
    const auto picture = dir.path() / "end.png";
    const auto replay =
        test::runToEnd(test::monitorProgramPath(),
                       {log.string(), "--cycle", "40", "--screenshot", picture.string()}, 60s);
    EXPECT_EQ(replay.status, 0) << replay.err;
    EXPECT_NE(replay.out.find("cycle 40, ZamoMonitor: Zamo_Left "), std::string::npos)
        << replay.out;
}

}  // namespace
}  // namespace zamo
