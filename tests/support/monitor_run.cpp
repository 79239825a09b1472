#include "support/monitor_run.h"

#include <signal.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>

#include "support/agent_process.h"
#include "support/xvfb_display.h"

namespace zamo::test {

std::string monitorProgramPath() {
    return std::string(ZAMO_BINARY_DIR) + "/ZamoMonitor";
}

ProgramRun runToEnd(const std::string& program, const std::vector<std::string>& arguments,
                    std::chrono::seconds timeout) {
    AgentProcess process;
    ProgramRun run;
    if (!process.start(program, arguments)) {
        run.err = "cannot start " + program;
        return run;
    }
    run.status = process.waitForExit(timeout);
    if (!run.status) {
        process.signal(SIGKILL);
    }
    run.out = process.standardOutput();
    run.err = process.standardError();
    return run;
}

std::optional<std::pair<int, int>> pngSize(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::array<unsigned char, 24> head{};
    if (!in.read(reinterpret_cast<char*>(head.data()), head.size())) {
        return std::nullopt;
    }
    static constexpr std::array<unsigned char, 8> kSignature{0x89, 'P',  'N',  'G',
                                                             '\r', '\n', 0x1a, '\n'};
    if (!std::equal(kSignature.begin(), kSignature.end(), head.begin()) ||
        std::string(head.begin() + 12, head.begin() + 16) != "IHDR") {
        return std::nullopt;
    }
    const auto word = [&](int at) {
        return static_cast<int>((head[at] << 24) | (head[at + 1] << 16) | (head[at + 2] << 8) |
                                head[at + 3]);
    };
    return std::make_pair(word(16), word(20));
}

ScopedEnvironment::~ScopedEnvironment() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
        if (it->second) {
            ::setenv(it->first.c_str(), it->second->c_str(), 1);
        } else {
            ::unsetenv(it->first.c_str());
        }
    }
}

void ScopedEnvironment::remember(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    saved_.emplace_back(name, value != nullptr ? std::optional<std::string>(value) : std::nullopt);
}

void ScopedEnvironment::set(const std::string& name, const std::string& value) {
    remember(name);
    ::setenv(name.c_str(), value.c_str(), 1);
}

void ScopedEnvironment::unset(const std::string& name) {
    remember(name);
    ::unsetenv(name.c_str());
}

bool showOnXvfb(XvfbDisplay& display, ScopedEnvironment& environment, std::string& why) {
    const auto program = xvfbProgram();
    if (!program) {
        why = kNoXvfb;
        return false;
    }
    if (!display.start(*program, why)) {
        return false;
    }
    environment.unset("QT_QPA_PLATFORM");
    environment.unset("WAYLAND_DISPLAY");
    environment.set("DISPLAY", display.display());
    return true;
}

ScriptTeam::~ScriptTeam() {
    if (pidFile_.empty()) {
        return;
    }
    runToEnd(
        "/bin/bash",
        {std::string(ZAMO_SOURCE_DIR) + "/scripts/kill.sh", "-f", pidFile_.string(), "-g", "3"},
        std::chrono::seconds(20));
    // Whatever kill.sh left, by its id.
    std::ifstream pids(pidFile_);
    for (long pid = 0; pids >> pid;) {
        const std::string program = [&] {
            std::ifstream cmdline("/proc/" + std::to_string(pid) + "/cmdline");
            std::string first;
            std::getline(cmdline, first, '\0');
            return first;
        }();
        if (std::filesystem::path(program).filename() == "ZamoSoccer") {
            ::kill(static_cast<pid_t>(pid), SIGKILL);
        }
    }
}

bool ScriptTeam::start(int port, const std::string& team, int count,
                       const std::filesystem::path& folder, std::string& why) {
    pidFile_ = folder / (team + ".pids");
    const ProgramRun run =
        runToEnd("/bin/bash",
                 {std::string(ZAMO_SOURCE_DIR) + "/scripts/start.sh", "-h", "127.0.0.1", "-p",
                  std::to_string(port), "-t", team, "-n", std::to_string(count), "-d",
                  (folder / team).string(), "-f", pidFile_.string()},
                 std::chrono::seconds(120));
    if (run.status != 0) {
        why = run.out + run.err;
        return false;
    }
    return true;
}

}  // namespace zamo::test
