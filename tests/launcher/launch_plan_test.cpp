#include "launcher/launch_plan.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "launcher/launch_settings.h"

namespace zamo {
namespace {

std::vector<std::string> expectedAgentArguments(const std::string& id) {
    return {"--team_name",      "Zamo",      "--player_id",      id,
            "--server_ip",      "127.0.0.1", "--server_port",    "6000",
            "--server_version", "7.11",      "--zamo_conf_path", "/srv/team/zamo_soccer.conf",
            "--minimized"};
}

TEST(LaunchPlanTest, PlayersOneAndElevenWithTheDefaults) {
    const LaunchSettings settings = defaultLaunchSettings("/srv/team");
    LaunchSelection selection;
    selection.players[0] = true;
    selection.players[10] = true;
    const std::vector<StartRequest> plan = buildLaunchPlan(settings, selection);
    ASSERT_EQ(plan.size(), 2U);
    for (const StartRequest& request : plan) {
        EXPECT_EQ(request.program, "/srv/team/ZamoSoccer");
        EXPECT_EQ(request.workingDirectory, "/srv/team");
    }
    EXPECT_EQ(plan[0].arguments, expectedAgentArguments("1"));
    EXPECT_EQ(plan[1].arguments, expectedAgentArguments("11"));
}

TEST(LaunchPlanTest, ServerThenMonitorThenPlayersInAscendingNumber) {
    LaunchSettings settings = defaultLaunchSettings("/srv/team");
    settings.serverPath = "/opt/sim/bin/rcssserver";
    settings.monitorPath = "/usr/bin/rcssmonitor";
    LaunchSelection selection;
    selection.server = true;
    selection.monitor = true;
    selection.players[8] = true;
    selection.players[1] = true;
    selection.players[4] = true;
    const std::vector<StartRequest> plan = buildLaunchPlan(settings, selection);
    ASSERT_EQ(plan.size(), 5U);
    EXPECT_EQ(plan[0].program, "/opt/sim/bin/rcssserver");
    EXPECT_EQ(plan[0].workingDirectory, "/opt/sim/bin");
    EXPECT_TRUE(plan[0].arguments.empty());
    EXPECT_EQ(plan[1].program, "/usr/bin/rcssmonitor");
    EXPECT_TRUE(plan[1].arguments.empty());
    const std::vector<std::string> ids = {plan[2].arguments[3], plan[3].arguments[3],
                                          plan[4].arguments[3]};
    EXPECT_EQ(ids, (std::vector<std::string>{"2", "5", "9"}));
    EXPECT_TRUE(buildLaunchPlan(settings, LaunchSelection{}).empty());
}

TEST(LaunchPlanTest, ValuesWithBlanksStayOneArgument) {
    LaunchSettings settings = defaultLaunchSettings("/home/my team");
    settings.teamName = "Blue Sky";
    const std::vector<std::string> arguments = agentArguments(settings, 4);
    EXPECT_EQ(arguments[1], "Blue Sky");
    EXPECT_EQ(arguments[11], "/home/my team/zamo_soccer.conf");
    EXPECT_EQ(startRequestFor(settings.agentPath).workingDirectory, "/home/my team");
}

TEST(LaunchPlanTest, DirectoryOfAProgram) {
    EXPECT_EQ(directoryOf("/a/b/prog"), "/a/b");
    EXPECT_EQ(directoryOf("/prog"), "/");
    EXPECT_EQ(directoryOf("prog"), "");
    EXPECT_EQ(directoryOf("bin/prog"), "bin");
}

}  // namespace
}  // namespace zamo
