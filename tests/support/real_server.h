#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/agent_process.h"

namespace zamo::test {

// The real simulator server for the tests: $ZAMO_RCSSSERVER when it names a program (what
// scripts/test.sh sets), else "rcssserver" on the PATH; nothing when neither has one.
std::optional<std::string> realServerProgram();

// The line a test prints when it skips for want of the real server.
inline constexpr const char* kNoRealServer =
    "the real simulator server (rcssserver 19) is not available: put it on the PATH or set "
    "ZAMO_RCSSSERVER (scripts/test.sh builds it from ../shared/rcssserver)";

struct RealServerOptions {
    int halfCycles = 300;
    int halves = 2;
    bool synchMode = false;
    bool autoMode = true;
    // Seeds the heterogeneous player types; release 19 seeds its noise from the clock and takes no
    // seed for it.
    int seed = 1;
    // Cycles the server waits for all 22 players before kicking off anyway (auto mode).
    int connectWait = 300;
    // Where the server writes its game log (ULG6, uncompressed, named "match.rcg"); empty: none.
    std::filesystem::path gameLogDir;
    // Further server::NAME=VALUE words.
    std::vector<std::string> extra;
};

// One real server run as a child process on free loopback ports, in a directory of its own (it
// writes its configuration files under its working directory and HOME). Stopped by its id when
// the object goes.
class RealServer {
  public:
    RealServer() = default;
    ~RealServer();
    RealServer(const RealServer&) = delete;
    RealServer& operator=(const RealServer&) = delete;

    // Starts the server and waits until it takes clients; false when it could not.
    bool start(const std::string& program, const RealServerOptions& options,
               std::chrono::milliseconds readyTimeout = std::chrono::seconds(10));
    int port() const { return port_; }
    // The exit status once the server ended by itself (at the end of its match) within timeout.
    std::optional<int> waitForExit(std::chrono::milliseconds timeout) {
        return process_.waitForExit(timeout);
    }
    // Asks the server to end (SIGINT), then kills it when it has not ended within grace.
    void stop(std::chrono::milliseconds grace = std::chrono::seconds(5));
    // "Score: L - R" of the server's closing report, once it has ended.
    std::optional<std::pair<int, int>> finalScore() const;
    std::filesystem::path gameLogPath() const;
    std::string standardOutput() const { return process_.standardOutput(); }
    double elapsedMs() const { return process_.elapsedMs(); }

  private:
    AgentProcess process_;
    std::filesystem::path home_;
    std::filesystem::path gameLogDir_;
    int port_ = 0;
};

// Free UDP ports on 127.0.0.1, distinct from each other (free when asked; a race with other
// programs is possible but harmless in the tests).
std::vector<int> freeUdpPorts(int count);

}  // namespace zamo::test
