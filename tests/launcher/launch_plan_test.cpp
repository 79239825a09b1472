#include "launcher/launch_plan.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "launcher/launch_settings.h"

namespace zamo {
namespace {

TEST(LaunchPlanTest, ServerThenMonitorThenPlayersInAscendingNumber) {
    LaunchSettings settings = defaultLaunchSettings("/srv/team");
    settings.serverPath = "/opt/sim/bin/rcssserver";
    LaunchSelection selection;
    EXPECT_TRUE(buildLaunchPlan(settings, selection).empty());
    selection.server = true;
    selection.monitor = true;
    selection.players[10] = true;
    selection.players[0] = true;
    selection.players[4] = true;
    const std::vector<StartRequest> plan = buildLaunchPlan(settings, selection);
    ASSERT_EQ(plan.size(), 5U);
    EXPECT_EQ(plan[0].program, "/opt/sim/bin/rcssserver");
    EXPECT_EQ(plan[0].workingDirectory, "/opt/sim/bin");
    EXPECT_TRUE(plan[0].arguments.empty());
    EXPECT_EQ(plan[1].program, "/srv/team/ZamoMonitor");
    EXPECT_TRUE(plan[1].arguments.empty());
    for (std::size_t i = 2; i < plan.size(); ++i) {
        EXPECT_EQ(plan[i].program, "/srv/team/ZamoSoccer");
        EXPECT_EQ(plan[i].workingDirectory, "/srv/team");
    }
    const std::vector<std::string> first = {
        "--team_name",      "Zamo",      "--player_id",      "1",
        "--server_ip",      "127.0.0.1", "--server_port",    "6000",
        "--server_version", "7.11",      "--zamo_conf_path", "/srv/team/zamo_soccer.conf",
        "--minimized"};
    EXPECT_EQ(plan[2].arguments, first);
    EXPECT_EQ(plan[3].arguments[3], "5");
    EXPECT_EQ(plan[4].arguments[3], "11");
}

TEST(LaunchPlanTest, PathsAndValuesWithBlanksOrAtTheRoot) {
    LaunchSettings settings = defaultLaunchSettings("/home/my team");
    settings.teamName = "Blue Sky";
    const std::vector<std::string> arguments = agentArguments(settings, 4);
    EXPECT_EQ(arguments[1], "Blue Sky");
    EXPECT_EQ(arguments[11], "/home/my team/zamo_soccer.conf");
    EXPECT_EQ(startRequestFor(settings.agentPath).workingDirectory, "/home/my team");
    EXPECT_EQ(defaultLaunchSettings("/").serverPath, "/rcssserver");
    const std::pair<const char*, const char*> directories[] = {
        {"/a/b/prog", "/a/b"}, {"/prog", "/"}, {"prog", ""}, {"bin/prog", "bin"}};
    for (const auto& [program, directory] : directories) {
        EXPECT_EQ(directoryOf(program), directory) << program;
    }
}

}  // namespace
}  // namespace zamo
