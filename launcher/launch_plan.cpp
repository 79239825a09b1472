#include "launcher/launch_plan.h"

#include <utility>

namespace zamo {

std::string directoryOf(std::string_view program) {
    const std::size_t slash = program.rfind('/');
    if (slash == std::string_view::npos) {
        return {};
    }
    return std::string(program.substr(0, slash == 0 ? 1 : slash));
}

StartRequest startRequestFor(std::string_view program, std::vector<std::string> arguments) {
    return StartRequest{std::string(program), std::move(arguments), directoryOf(program)};
}

std::vector<std::string> agentArguments(const LaunchSettings& settings, int playerNumber) {
    return {"--team_name",      settings.teamName,
            "--player_id",      std::to_string(playerNumber),
            "--server_ip",      settings.serverIp,
            "--server_port",    settings.serverPort,
            "--server_version", settings.serverVersion,
            "--zamo_conf_path", settings.agentConfPath,
            "--minimized"};
}

std::vector<StartRequest> buildLaunchPlan(const LaunchSettings& settings,
                                          const LaunchSelection& selection) {
    std::vector<StartRequest> plan;
    if (selection.server) {
        plan.push_back(startRequestFor(settings.serverPath));
    }
    if (selection.monitor) {
        plan.push_back(startRequestFor(settings.monitorPath));
    }
    for (int number = 1; number <= kPlayerCount; ++number) {
        if (selection.players[static_cast<std::size_t>(number - 1)]) {
            plan.push_back(startRequestFor(settings.agentPath, agentArguments(settings, number)));
        }
    }
    return plan;
}

}  // namespace zamo
