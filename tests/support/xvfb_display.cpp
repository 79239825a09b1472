#include "support/xvfb_display.h"

#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <sstream>
#include <thread>

namespace zamo::test {

std::optional<std::string> xvfbProgram() {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path != nullptr ? path : "/usr/bin:/bin");
    for (std::string folder; std::getline(folders, folder, ':');) {
        const std::string candidate = (folder.empty() ? "." : folder) + "/Xvfb";
        if (::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return std::nullopt;
}

XvfbDisplay::~XvfbDisplay() {
    // Asked to end, it removes its lock file and socket; killed, it would leave them.
    if (process_.signal(SIGTERM) && !process_.waitForExit(std::chrono::seconds(5))) {
        process_.signal(SIGKILL);
    }
}

bool XvfbDisplay::start(const std::string& program, std::string& why) {
    // With -displayfd it takes the first free display and writes its number to standard output
    // once it takes clients.
    if (!process_.start(program, {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten",
                                  "tcp", "-noreset"})) {
        why = "cannot start " + program;
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline && process_.running()) {
        const std::string out = process_.standardOutput();
        if (out.find('\n') != std::string::npos) {
            display_ = ":" + out.substr(0, out.find('\n'));
            return true;
        }
        if (process_.waitForExit(std::chrono::milliseconds(20))) {
            break;
        }
    }
    why = "Xvfb did not start: " + process_.standardError();
    return false;
}

}  // namespace zamo::test
