#include "support/practice_server.h"

#include <chrono>
#include <fstream>
#include <thread>

namespace zamo::test {

std::optional<int> startPracticeServer(AgentProcess& server, const TempDir& dir,
                                       const std::vector<std::string>& options) {
    const auto portFile = dir.path() / "port";
    std::vector<std::string> arguments = {"--port", "0", "--port-file", portFile.string()};
    arguments.insert(arguments.end(), options.begin(), options.end());
    if (!server.start(kPracticeServerProgram, arguments)) {
        return std::nullopt;
    }
    // The file may exist before its number is written: wait for a number.
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < end) {
        int port = 0;
        if (std::ifstream(portFile) >> port && port > 0) {
            return port;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return std::nullopt;
}

}  // namespace zamo::test
