#include "support/real_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace zamo::test {

namespace {

bool isProgram(const std::string& path) {
    return !path.empty() && ::access(path.c_str(), X_OK) == 0 &&
           std::filesystem::is_regular_file(path);
}

std::filesystem::path freshDirectory() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr ? base : "/tmp") + "/zamo_rcss_XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        return {};
    }
    return pattern;
}

// True when some socket is bound to the UDP port (the server's output is buffered, so it cannot
// tell when the server is ready).
bool udpPortBound(int port) {
    std::ifstream table("/proc/net/udp");
    std::string line;
    std::getline(table, line);
    while (std::getline(table, line)) {
        unsigned address = 0;
        unsigned boundPort = 0;
        if (std::sscanf(line.c_str(), " %*d: %x:%x", &address, &boundPort) == 2 &&
            static_cast<int>(boundPort) == port) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::optional<std::string> realServerProgram() {
    if (const char* named = std::getenv("ZAMO_RCSSSERVER"); named != nullptr && isProgram(named)) {
        return std::string(named);
    }
    const char* path = std::getenv("PATH");
    std::stringstream folders(path != nullptr ? path : "");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const std::string candidate = (folder.empty() ? "." : folder) + "/rcssserver";
        if (isProgram(candidate)) {
            return candidate;
        }
    }
    return std::nullopt;
}

std::vector<int> freeUdpPorts(int count) {
    // All sockets stay open until every port is known, so the ports are distinct.
    std::vector<int> sockets;
    std::vector<int> ports;
    for (int i = 0; i < count; ++i) {
        const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        if (fd < 0) {
            break;
        }
        sockets.push_back(fd);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            break;
        }
        ports.push_back(ntohs(address.sin_port));
    }
    for (const int fd : sockets) {
        ::close(fd);
    }
    if (static_cast<int>(ports.size()) != count) {
        ports.clear();
    }
    return ports;
}

bool RealServer::start(const std::string& program, const RealServerOptions& options,
                       std::chrono::milliseconds readyTimeout) {
    home_ = freshDirectory();
    const std::vector<int> ports = freeUdpPorts(3);
    if (home_.empty() || ports.empty()) {
        return false;
    }
    port_ = ports[0];
    gameLogDir_ = options.gameLogDir;
    const auto flag = [](bool on) { return on ? std::string("true") : std::string("false"); };
    // half_time is in seconds of ten 100 ms cycles.
    std::vector<std::string> arguments{
        "server::port=" + std::to_string(ports[0]),
        "server::coach_port=" + std::to_string(ports[1]),
        "server::olcoach_port=" + std::to_string(ports[2]),
        "server::half_time=" + std::to_string(options.halfCycles / 10),
        "server::nr_normal_halfs=" + std::to_string(options.halves),
        "server::nr_extra_halfs=0",
        "server::penalty_shoot_outs=false",
        "server::synch_mode=" + flag(options.synchMode),
        "server::auto_mode=" + flag(options.autoMode),
        "player::random_seed=" + std::to_string(options.seed),
        "server::connect_wait=" + std::to_string(options.connectWait),
        "server::kick_off_wait=20",
        "server::game_over_wait=0",
        "server::text_logging=false",
        "server::game_logging=" + flag(!gameLogDir_.empty()),
    };
    if (!gameLogDir_.empty()) {
        arguments.insert(
            arguments.end(),
            {"server::game_log_dir=" + gameLogDir_.string(), "server::game_log_fixed=true",
             "server::game_log_fixed_name=match", "server::game_log_compression=0"});
    }
    arguments.insert(arguments.end(), options.extra.begin(), options.extra.end());
    if (!process_.start(program, arguments, home_.string())) {
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + readyTimeout;
    while (!udpPortBound(port_)) {
        if (!process_.running() || std::chrono::steady_clock::now() >= deadline) {
            stop();
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

RealServer::~RealServer() {
    stop();
    if (!home_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(home_, ignored);
    }
}

void RealServer::stop(std::chrono::milliseconds grace) {
    if (process_.signal(SIGINT) && !process_.waitForExit(grace).has_value()) {
        process_.signal(SIGKILL);
        process_.waitForExit(grace);
    }
}

std::optional<std::pair<int, int>> RealServer::finalScore() const {
    const std::string text = process_.standardOutput();
    const auto at = text.rfind("Score: ");
    int left = 0;
    int right = 0;
    if (at == std::string::npos ||
        std::sscanf(text.c_str() + at, "Score: %d - %d", &left, &right) != 2) {
        return std::nullopt;
    }
    return std::make_pair(left, right);
}

std::filesystem::path RealServer::gameLogPath() const {
    return gameLogDir_.empty() ? std::filesystem::path() : gameLogDir_ / "match.rcg";
}

}  // namespace zamo::test
