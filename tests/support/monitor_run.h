#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zamo::test {

// Path of the built ZamoMonitor program.
std::string monitorProgramPath();

// How a program run to its end went: its exit status (nothing when it had to be killed after
// the time given) and what it printed.
struct ProgramRun {
    std::optional<int> status;
    std::string out;
    std::string err;
};
ProgramRun runToEnd(const std::string& program, const std::vector<std::string>& arguments,
                    std::chrono::seconds timeout);

// Width and height of a PNG file, read from its header; nothing when it is no PNG.
std::optional<std::pair<int, int>> pngSize(const std::filesystem::path& path);

// Environment variables set or removed for the programs a test starts, restored afterwards.
class ScopedEnvironment {
  public:
    ScopedEnvironment() = default;
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

    void set(const std::string& name, const std::string& value);
    void unset(const std::string& name);

  private:
    void remember(const std::string& name);
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

class XvfbDisplay;

// Starts an X server without a screen and points the programs started from now on at it: DISPLAY
// set, neither Wayland nor Qt's off-screen drawing. False, with the reason, when there is none.
bool showOnXvfb(XvfbDisplay& display, ScopedEnvironment& environment, std::string& why);

// Players of one team started with scripts/start.sh against a server on 127.0.0.1; stopped
// with scripts/kill.sh, and any left killed by their ids, when the object goes.
class ScriptTeam {
  public:
    ScriptTeam() = default;
    ~ScriptTeam();
    ScriptTeam(const ScriptTeam&) = delete;
    ScriptTeam& operator=(const ScriptTeam&) = delete;

    // False, with the script's output, when not every player registered.
    bool start(int port, const std::string& team, int count, const std::filesystem::path& folder,
               std::string& why);

  private:
    std::filesystem::path pidFile_;
};

}  // namespace zamo::test
