// The launcher's command-line switches, read into fixed-width fields.
#pragma once

#include <span>
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
// A longer statistics file path is refused rather than cut: a cut path names another file.
inline constexpr std::size_t kStatsPathMaxLength = 4095;
// Switch names longer than this are cut; no switch is that long, so they match none.
inline constexpr std::size_t kSwitchNameWidth = 31;

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

// The program's arguments: the switch values and the options beside them.
struct CommandLine {
    LaunchArguments arguments;
    bool headless = false;
    bool minimized = false;
    bool help = false;
    bool verbose = false;
    bool draw = false;      // the window draws the world model from the start
    std::string statsPath;  // --stats FILE: where the think loop's figures go at exit
    std::string error;      // one line; empty when the arguments were understood
};

// Parses the arguments after the program name. "--switch value" and "--switch=value" are taken
// verbatim (cut to the field width); every other argument that does not start with "--" is part
// of the text form, joined by blanks. Later values overwrite earlier ones in argument order.
CommandLine parseArguments(std::span<const std::string_view> args);

// The --help text.
std::string_view commandLineUsage();

}  // namespace zamo
