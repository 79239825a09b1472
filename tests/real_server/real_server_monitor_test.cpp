// ZamoMonitor on the real simulator server: it watches a short match of our players live, in a
// window on an X display when Xvfb is there (off-screen otherwise), and replays the game log the
// server wrote.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "support/monitor_run.h"
#include "support/real_server.h"
#include "support/temp_dir.h"
#include "support/xvfb_display.h"

namespace zamo {
namespace {

using namespace std::chrono_literals;

TEST(RealServerMonitorTest, WatchesAMatchLiveAndReplaysTheServersGameLog) {
    const auto program = test::realServerProgram();
    if (!program) {
        GTEST_SKIP() << test::kNoRealServer;
    }
    test::TempDir dir;
    test::ScopedEnvironment environment;
    test::XvfbDisplay display;
    std::string why;
    if (!test::showOnXvfb(display, environment, why)) {
        std::printf("no X display (%s): the window is drawn off-screen\n", why.c_str());
        environment.set("QT_QPA_PLATFORM", "offscreen");
    }

    test::RealServer server;
    test::RealServerOptions options;
    options.halfCycles = 60;
    options.halves = 1;
    options.connectWait = 30;
    options.gameLogDir = dir.path();
    ASSERT_TRUE(server.start(*program, options)) << server.standardOutput();
    test::ScriptTeam left;
    test::ScriptTeam right;
    ASSERT_TRUE(left.start(server.port(), "Zamo_Left", 2, dir.path(), why)) << why;
    ASSERT_TRUE(right.start(server.port(), "Zamo_Right", 2, dir.path(), why)) << why;

    const auto live = dir.path() / "live.png";
    const auto watched = test::runToEnd(test::monitorProgramPath(),
                                        {"--port", std::to_string(server.port()), "--screenshot",
                                         live.string(), "--cycle", "20", "--size", "800x600"},
                                        90s);
    ASSERT_EQ(watched.status, 0) << watched.out << watched.err;
    EXPECT_NE(watched.out.find("ZamoMonitor: Zamo_Left 0 - 0 Zamo_Right"), std::string::npos)
        << watched.out;
    EXPECT_EQ(test::pngSize(live), std::make_pair(800, 600));

    ASSERT_EQ(server.waitForExit(60s), 0) << server.standardOutput();
    const auto replayed = dir.path() / "replay.png";
    const auto replay = test::runToEnd(
        test::monitorProgramPath(),
        {server.gameLogPath().string(), "--cycle", "40", "--screenshot", replayed.string()}, 60s);
    ASSERT_EQ(replay.status, 0) << replay.err;
    EXPECT_NE(replay.out.find("cycle 40, ZamoMonitor: Zamo_Left "), std::string::npos)
        << replay.out;
    EXPECT_EQ(test::pngSize(replayed), std::make_pair(1150, 830));
}

}  // namespace
}  // namespace zamo
