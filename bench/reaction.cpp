// How fast a player answers: a scripted server on loopback registers one headless player (the
// ZamoSoccer beside this program, or the one named by ZAMO_BENCH_AGENT, so that two builds can be
// compared in one run) and, cycle after cycle, sends a body sense and a visual message together.
// The time from sending the body sense to the first command of the decision arriving back is the
// reaction, think pass included; the view control's change_view is not a decision and is not
// counted. Reported as counters: p50, p99 and max in microseconds, and the cycles that got no
// command within 50 ms.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kCycles = 600;
constexpr auto kCyclePace = 50ms;
constexpr auto kAnswerWait = 50ms;

// Standing at (-30, 10) facing the opponent goal with a free ball 12 m away: the player runs for
// it every cycle.
const std::string kSee =
    " ((f c) 31.6 -18) ((f c t) 53.3 -56) ((f c b) 38.4 39) ((f p r c) 66.8 -9) "
    "((f r t) 93.5 -28) ((f r b) 85.9 16) ((g r) 83.1 -7) ((b) 11.7 -31 0 0) ((l r) 82.5 90))";
const std::string kBody =
    " (view_mode high normal) (stamina 8000 1) (speed 0 0) (head_angle 0) (kick 0) (dash 0) "
    "(turn 0) (say 0) (turn_neck 0) (catch 0) (move 0) (change_view 0) (arm (movable 0) "
    "(expires 0) (target 0 0) (count 0)) (focus (target none) (count 0)) (tackle (expires 0) "
    "(count 0)))";

class Socket {
  public:
    Socket() {
        fd_ = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
            port_ = ntohs(address.sin_port);
        }
    }
    ~Socket() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    int port() const { return port_; }
    void send(int port, const std::string& text) const {
        sockaddr_in target{};
        target.sin_family = AF_INET;
        target.sin_port = htons(static_cast<std::uint16_t>(port));
        target.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const std::string bytes = text + '\0';
        ::sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&target),
                 sizeof target);
    }
    // The text of the next datagram (to its first zero byte) and the sender's port.
    std::optional<std::pair<std::string, int>> receive(Clock::duration timeout) const {
        const auto ms = std::chrono::ceil<std::chrono::milliseconds>(timeout).count();
        pollfd waiting{fd_, POLLIN, 0};
        if (::poll(&waiting, 1, static_cast<int>(std::max<long long>(0, ms))) != 1) {
            return std::nullopt;
        }
        std::array<char, 2048> buffer{};
        sockaddr_in sender{};
        socklen_t length = sizeof sender;
        const ssize_t n = ::recvfrom(fd_, buffer.data(), buffer.size() - 1, 0,
                                     reinterpret_cast<sockaddr*>(&sender), &length);
        if (n < 0) {
            return std::nullopt;
        }
        return std::make_pair(std::string(buffer.data()), static_cast<int>(ntohs(sender.sin_port)));
    }

  private:
    int fd_ = -1;
    int port_ = 0;
};

// The player under test, killed by its id when the benchmark ends.
class Player {
  public:
    Player(const std::string& program, const std::vector<std::string>& arguments) {
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        if (::posix_spawn(&pid_, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
    }
    ~Player() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;
    bool started() const { return pid_ > 0; }

  private:
    pid_t pid_ = -1;
};

double percentile(const std::vector<double>& sorted, double p) {
    const std::size_t index = std::min(
        sorted.size() - 1, static_cast<std::size_t>(p * static_cast<double>(sorted.size())));
    return sorted[index];
}

void BM_Reaction(benchmark::State& state) {
    const char* named = std::getenv("ZAMO_BENCH_AGENT");
    const std::string program = named != nullptr ? named : ZAMO_BINARY_DIR "/ZamoSoccer";
    // The shipped configuration with the strategy folder found from anywhere.
    const std::string conf = "/tmp/zamo_bench_reaction_" + std::to_string(::getpid()) + ".conf";
    {
        std::ifstream shipped(ZAMO_SOURCE_DIR "/data/zamo_soccer.conf");
        std::ofstream out(conf);
        for (std::string line; std::getline(shipped, line);) {
            out << (line.starts_with("strategy_directory_path")
                        ? "strategy_directory_path " ZAMO_SOURCE_DIR "/data/strategy/"
                        : line)
                << '\n';
        }
    }
    std::vector<double> reactions;
    int unanswered = 0;
    for (auto _ : state) {
        Socket server;
        Player player(program, {"--headless", "--team_name", "Bench", "--player_id", "7",
                                "--server_ip", "127.0.0.1", "--server_port",
                                std::to_string(server.port()), "--zamo_conf_path", conf});
        const auto init = player.started() ? server.receive(5s) : std::nullopt;
        if (!init || !init->first.starts_with("(init ")) {
            state.SkipWithError(("no registration from " + program).c_str());
            break;
        }
        const int agentPort = init->second;
        server.send(agentPort, "(init l 7 play_on)");
        for (int cycle = 1; cycle <= kCycles; ++cycle) {
            const auto start = Clock::now();
            server.send(agentPort, "(sense_body " + std::to_string(cycle) + kBody);
            server.send(agentPort, "(see " + std::to_string(cycle) + kSee);
            std::optional<double> reaction;
            while (!reaction && Clock::now() - start < kAnswerWait) {
                const auto answer = server.receive(start + kAnswerWait - Clock::now());
                if (answer && !answer->first.starts_with("(change_view ")) {
                    reaction =
                        std::chrono::duration<double, std::micro>(Clock::now() - start).count();
                }
            }
            // The first cycles teach the player where in the cycle its visual messages come.
            if (cycle > 5) {
                if (reaction) {
                    reactions.push_back(*reaction);
                } else {
                    ++unanswered;
                }
            }
            std::this_thread::sleep_until(start + kCyclePace);
            while (server.receive(0ms)) {
            }
        }
    }
    std::remove(conf.c_str());
    if (reactions.empty()) {
        state.SkipWithError("no cycle was answered");
        return;
    }
    std::sort(reactions.begin(), reactions.end());
    state.counters["cycles"] = static_cast<double>(reactions.size());
    state.counters["unanswered"] = unanswered;
    state.counters["p50_us"] = percentile(reactions, 0.50);
    state.counters["p99_us"] = percentile(reactions, 0.99);
    state.counters["max_us"] = reactions.back();
}
BENCHMARK(BM_Reaction)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
