// The agent's configuration record: command line, built-in defaults and the configuration file.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

#include "agent/config/missing_values.h"

namespace zamo {

// Widths of the fixed text fields, in characters. Longer values are cut to these.
inline constexpr std::size_t kTeamNameWidth = 16;
inline constexpr std::size_t kWordWidth = 16;  // player id text, role word, server address
inline constexpr std::size_t kPathWidth = 256;

// Who this agent is and where it finds the server and its data files.
struct AgentConfig {
    int isGoalie = 0;
    int serverPort = 0;
    int uniformNumber = kNoTime;
    std::string playerIdText;
    std::string playerType = "offender";
    std::string teamName;
    std::string quotedTeamName;  // teamName in double quotes, as the server names teams in "see"
    std::string opponentTeamName = "Zamo_Opponent";
    std::string serverIp;
    std::string confPath;
    std::string strategyDirectoryPath;
    double serverVersion = 0.0;
    int side = 0;  // 0 none yet, 1 left, 2 right
};

struct LaunchArguments;

// Builds the configuration from the command line's values, the built-in defaults for what it
// left empty, and then the configuration file it names.
AgentConfig loadConfiguration(const LaunchArguments& arguments,
                              const std::filesystem::path& workingDirectory);

// Applies a configuration file: roles per player id and data paths. False when it cannot be
// read; the values then stay as they are.
bool readConfFile(AgentConfig& config, const std::filesystem::path& path);

// The main window's caption: " Zamo_Left", or " Zamo_Left - No.1 - goalie" once connected.
std::string windowCaption(const AgentConfig& config, bool connected);

}  // namespace zamo
