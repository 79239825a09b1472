#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zamo {

// Field widths of the command line's values, in characters; longer values are cut.
inline constexpr std::size_t kTeamNameArgWidth = 16;
inline constexpr std::size_t kPlayerIdArgWidth = 15;
inline constexpr std::size_t kServerIpArgWidth = 15;
inline constexpr std::size_t kServerPortArgWidth = 7;
inline constexpr std::size_t kServerVersionArgWidth = 7;
inline constexpr std::size_t kConfPathArgWidth = 255;

// The six switch values of the command line, empty when not given.
struct LaunchArguments {
    std::string teamName;
    std::string playerId;
    std::string serverIp;
    std::string serverPort;
    std::string serverVersion;
    std::string confPath;
};

// Scans the text form "/switch /value ..." character by character.
LaunchArguments parseCommandLine(std::string_view text);

}  // namespace zamo
