#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/practice_server/match.h"

namespace zamo::practice {

struct ServerOptions {
    int port = 6000;  // 0 picks a free port
    std::string recordPath;
    std::string portFile;
    std::string gameLogPath;
    bool help = false;
    MatchOptions match;
};

// Reads the command line (without the program name). On a bad argument the result is empty
// and error says why.
std::optional<ServerOptions> parseServerOptions(const std::vector<std::string>& args,
                                                std::string& error);

// The text printed for --help.
std::string serverUsage();

}  // namespace zamo::practice
