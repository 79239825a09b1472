// What the end-to-end tests of players on the practice server share: the server started on a
// free port, the shipped configuration, and which commands move the body.
#pragma once

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/agent_process.h"
#include "support/match_record.h"
#include "support/temp_dir.h"

namespace zamo::e2e {

inline const std::string kServerProgram = std::string(ZAMO_BINARY_DIR) + "/zamo-practice-server";

// Starts the practice server on a port of its choosing; the port, once it has written it.
inline std::optional<int> startPracticeServer(test::AgentProcess& server, const test::TempDir& dir,
                                              const std::vector<std::string>& options) {
    const auto portFile = dir.path() / "port";
    std::vector<std::string> arguments = {"--port", "0", "--port-file", portFile.string()};
    arguments.insert(arguments.end(), options.begin(), options.end());
    if (!server.start(kServerProgram, arguments)) {
        return std::nullopt;
    }
    for (int i = 0; i < 250 && !std::filesystem::exists(portFile); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (!std::filesystem::exists(portFile)) {
        return std::nullopt;
    }
    return std::stoi(test::readText(portFile));
}

// The shipped configuration, written into dir with its strategy folder found from wherever the
// agents run; its path, or nothing when there is no shipped configuration.
inline std::optional<std::string> writeShippedConf(const test::TempDir& dir) {
    const std::string shipped = std::string(ZAMO_SOURCE_DIR) + "/data/";
    std::ifstream in(shipped + "zamo_soccer.conf");
    if (!in) {
        return std::nullopt;
    }
    std::ostringstream conf;
    for (std::string line; std::getline(in, line);) {
        conf << (line.starts_with("strategy_directory_path")
                     ? "strategy_directory_path " + shipped + "strategy/"
                     : line)
             << '\n';
    }
    return dir.write("zamo_soccer.conf", conf.str()).string();
}

inline bool isBodyCommand(const std::string& text) {
    for (const char* prefix : {"(dash ", "(turn ", "(kick ", "(catch ", "(move ", "(tackle "}) {
        if (text.starts_with(prefix)) {
            return true;
        }
    }
    return false;
}

}  // namespace zamo::e2e
