#include "launcher/launch_settings.h"

#include <algorithm>

namespace zamo {

namespace {

bool isUtf8Continuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0U) == 0x80U;
}

std::string inDirectory(std::string_view directory, std::string_view name) {
    // The root directory already ends with the separator.
    std::string path(directory);
    if (path.empty() || path.back() != '/') {
        path += '/';
    }
    path += name;
    return cutToField(path, kPathFieldLength);
}

}  // namespace

std::string cutToField(std::string_view value, std::size_t length) {
    if (value.size() <= length) {
        return std::string(value);
    }
    std::size_t end = length;
    while (end > 0 && isUtf8Continuation(value[end])) {
        --end;
    }
    return std::string(value.substr(0, end));
}

int clampWaitInterval(long long milliseconds) {
    return static_cast<int>(
        std::clamp<long long>(milliseconds, kMinWaitInterval, kMaxWaitInterval));
}

LaunchSettings defaultLaunchSettings(std::string_view workingDirectory) {
    LaunchSettings settings;
    settings.teamName = "Zamo";
    settings.serverIp = "127.0.0.1";
    settings.serverPort = "6000";
    settings.serverVersion = "7.11";
    settings.monitorPath = inDirectory(workingDirectory, "ZamoMonitor");
    settings.serverPath = inDirectory(workingDirectory, "rcssserver");
    settings.agentPath = inDirectory(workingDirectory, "ZamoSoccer");
    settings.agentConfPath = inDirectory(workingDirectory, "zamo_soccer.conf");
    settings.managerConfPath = inDirectory(workingDirectory, "zamo_manager.conf");
    settings.waitInterval = kDefaultWaitInterval;
    return settings;
}

}  // namespace zamo
