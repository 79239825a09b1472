#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zamo {

// Bytes each text field keeps (fields of 32 and 256 bytes, terminator included); longer values
// are cut.
inline constexpr std::size_t kShortFieldLength = 31;
inline constexpr std::size_t kPathFieldLength = 255;

// Bounds of the pause between starts, in milliseconds: a negative pause means nothing and one
// longer than a minute only looks like a hang.
inline constexpr int kMinWaitInterval = 0;
inline constexpr int kMaxWaitInterval = 60000;
inline constexpr int kDefaultWaitInterval = 500;

// What the launcher starts and with which switches.
struct LaunchSettings {
    std::string teamName;
    std::string serverIp;
    std::string serverPort;
    std::string serverVersion;
    std::string monitorPath;
    std::string serverPath;
    std::string agentPath;
    std::string agentConfPath;
    std::string managerConfPath;
    int waitInterval = kDefaultWaitInterval;
};

// The first `length` bytes of `value` at most, never ending inside a UTF-8 character.
std::string cutToField(std::string_view value, std::size_t length);

// Keeps a pause within kMinWaitInterval..kMaxWaitInterval.
int clampWaitInterval(long long milliseconds);

// The built-in settings, with the programs and files expected in `workingDirectory`.
LaunchSettings defaultLaunchSettings(std::string_view workingDirectory);

}  // namespace zamo
