#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/practice_server/match.h"

namespace zamo::practice {

// How the host steps the match and what it does to the datagrams on their way.
struct HostOptions {
    // Each cycle ends as soon as every player has answered "(think)" with "(done)".
    bool synchronous = false;
    double loss = 0.0;  // the fraction of datagrams dropped, both ways
    int delayMs = 0;    // every datagram is held this long, both ways
    std::uint64_t seed = 1;
};

struct ServerOptions {
    int port = 6000;  // 0 picks a free port
    std::string recordPath;
    std::string portFile;
    std::string gameLogPath;
    bool help = false;
    MatchOptions match;
    HostOptions host;
};

// Reads the command line (without the program name). On a bad argument the result is empty
// and error says why.
std::optional<ServerOptions> parseServerOptions(const std::vector<std::string>& args,
                                                std::string& error);

// The text printed for --help.
std::string serverUsage();

}  // namespace zamo::practice
