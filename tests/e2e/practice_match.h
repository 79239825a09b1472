// What the end-to-end tests of players on the practice server share: the shipped configuration
// and which commands move the body.
#pragma once

#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "support/temp_dir.h"

namespace zamo::e2e {

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
