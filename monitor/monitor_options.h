#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace zamo::monitor {

inline constexpr int kDefaultPort = 6000;
inline constexpr int kDefaultPictureWidth = 1150;
inline constexpr int kDefaultPictureHeight = 830;
inline constexpr int kMinPictureSide = 100;
inline constexpr int kMaxPictureSide = 8000;
inline constexpr int kDefaultLiveWaitSeconds = 60;

// What ZamoMonitor was asked to do. Without a log file it watches a server live.
struct MonitorOptions {
    std::string host = "127.0.0.1";
    int port = kDefaultPort;
    std::filesystem::path logPath;         // replay this game log when not empty
    std::optional<int> cycle;              // the cycle to show first (or to take a picture of)
    std::filesystem::path screenshotPath;  // write one picture there and end
    int width = kDefaultPictureWidth;      // size of that picture
    int height = kDefaultPictureHeight;
    int waitSeconds = kDefaultLiveWaitSeconds;  // live picture: give up after this long
    bool viewCones = false;
    bool stamina = false;
    bool help = false;

    bool replay() const { return !logPath.empty(); }
};

// Reads the arguments after the program name; empty, with a one-line error, when they are bad.
std::optional<MonitorOptions> parseMonitorOptions(std::span<const std::string_view> args,
                                                  std::string& error);

// The --help text.
std::string_view monitorUsage();

}  // namespace zamo::monitor
