// The decision of one cycle on real play: the recorded server sessions are fed, message by
// message, through the parser, the world update and the think cycle, and each cycle's decision
// is timed, sending of its commands included. Reported as counters: p50, p99 and max in
// microseconds over every decided cycle.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "agent/perception/play_mode.h"
#include "agent/perception/sensor_parser.h"
#include "agent/runtime/agent_context.h"

namespace {

struct Session {
    std::string file;
    std::string team;
    char side = 'l';
    int number = 0;
    std::string playMode;
    std::vector<std::string> messages;  // what the server sent after its registration reply
};

Session loadSession(const std::string& file) {
    Session session;
    session.file = file;
    std::ifstream in(std::string(ZAMO_TEST_DATA_DIR) + "/" + file);
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t first = line.find('\t');
        const std::size_t second = line.find('\t', first + 1);
        if (first == std::string::npos || second == std::string::npos) {
            continue;
        }
        const std::string text = line.substr(second + 1);
        if (line.compare(first + 1, second - first - 1, "recv") != 0) {
            char team[32] = {};
            if (session.team.empty() && std::sscanf(text.c_str(), "(init %31s", team) == 1) {
                session.team = team;
            }
            continue;
        }
        char side = 0;
        int number = 0;
        char mode[64] = {};
        if (session.number == 0 &&
            std::sscanf(text.c_str(), "(init %c %d %63[^)])", &side, &number, mode) == 3) {
            session.side = side;
            session.number = number;
            session.playMode = mode;
        } else if (session.number != 0) {
            session.messages.push_back(text);
        }
    }
    return session;
}

// A loopback socket that takes the agent's commands, so that sending succeeds and the world
// model sees the agent's own commands as it would in a game.
class CommandSink {
  public:
    CommandSink() {
        socket_ = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof(address);
        if (socket_ >= 0 && ::bind(socket_, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
            ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
            port_ = ntohs(address.sin_port);
        }
    }
    ~CommandSink() {
        if (socket_ >= 0) {
            ::close(socket_);
        }
    }
    CommandSink(const CommandSink&) = delete;
    CommandSink& operator=(const CommandSink&) = delete;

    int port() const { return port_; }
    void drain() {
        char buffer[1024];
        while (::recv(socket_, buffer, sizeof(buffer), MSG_DONTWAIT) > 0) {
        }
    }

  private:
    int socket_ = -1;
    int port_ = 0;
};

class Replay {
  public:
    explicit Replay(const Session& session) : session_(session) {
        context_ = std::make_unique<zamo::AgentContext>();
        zamo::AgentContext& ctx = *context_;
        ctx.config.teamName = session.team;
        ctx.config.quotedTeamName = "\"" + session.team + "\"";
        ctx.config.uniformNumber = session.number;
        ctx.config.playerIdText = std::to_string(session.number);
        ctx.config.playerType = session.number == 1 ? "goalie" : "midfielder";
        ctx.config.isGoalie = session.number == 1 ? 1 : 0;
        ctx.config.side = session.side == 'r' ? 2 : 1;
        ctx.config.strategyDirectoryPath =
            std::string(ZAMO_TEST_DATA_DIR) + "/../../data/strategy/";
        ctx.endpoint = zamo::openEndpoint("127.0.0.1", sink_.port(), true);
        ctx.playMode.mode = zamo::lookupPlayMode(session.playMode);
        ctx.playMode.time = 0;
        ctx.worldModel.resetWorld();
        message_ = std::make_unique<zamo::SensorMessage>();
    }
    ~Replay() { zamo::closeEndpoint(context_->endpoint); }
    Replay(const Replay&) = delete;
    Replay& operator=(const Replay&) = delete;

    bool ready() const { return sink_.port() != 0 && context_->endpoint.socket >= 0; }

    // Feeds the whole session; appends the wall-clock and the thread's CPU time of each cycle's
    // decision in nanoseconds.
    void run(std::vector<double>& decisions, std::vector<double>& cpu) {
        bool bodyPending = false;
        for (const std::string& text : session_.messages) {
            if (!context_->sensorParser.parseMessage(text, *message_)) {
                continue;
            }
            // A new body sense starts the next cycle: first decide the one that ends.
            if (message_->kind == zamo::kSenseBodyMessage && bodyPending) {
                decide(decisions, cpu);
            }
            dispatch(*message_);
            bodyPending = bodyPending || message_->kind == zamo::kSenseBodyMessage;
        }
        if (bodyPending) {
            decide(decisions, cpu);
        }
    }

  private:
    void dispatch(const zamo::SensorMessage& message) {
        zamo::AgentContext& ctx = *context_;
        switch (message.kind) {
            case zamo::kSeeMessage:
                zamo::nameOpponent(ctx.config, message.see);
                ctx.sensorStore.lastSee = message.see;
                break;
            case zamo::kHearMessage:
                if (message.hear.sender == zamo::kSenderReferee) {
                    zamo::onRefereeMessage(ctx.playMode, ctx.self, ctx.serverParams,
                                           message.hear.textView(), message.hear.time);
                } else if (message.hear.sender == zamo::kSenderOur) {
                    ctx.sensorStore.lastHearFromTeammate = message.hear;
                }
                break;
            case zamo::kSenseBodyMessage:
                ctx.sensorStore.lastBody = message.senseBody;
                ctx.clock.cycle = message.senseBody.time;
                break;
            case zamo::kParameterMessage:
                break;
            case zamo::kPlayerTypeMessage:
                ctx.worldModel.applyPlayerTypeChange(message.typeChange);
                break;
            case zamo::kScoreMessage:
                zamo::takeScore(ctx.self.score, message.score);
                break;
            case zamo::kThinkMessage:
                break;
        }
    }

    void decide(std::vector<double>& decisions, std::vector<double>& cpu) {
        context_->worldModel.updateWorld();
        const double cpuStart = threadCpuNs();
        const auto start = std::chrono::steady_clock::now();
        context_->runtime.runThinkCycle();
        const auto end = std::chrono::steady_clock::now();
        cpu.push_back(threadCpuNs() - cpuStart);
        decisions.push_back(std::chrono::duration<double, std::nano>(end - start).count());
        sink_.drain();
    }

    static double threadCpuNs() {
        timespec now{};
        ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return static_cast<double>(now.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec);
    }

    const Session& session_;
    CommandSink sink_;
    std::unique_ptr<zamo::AgentContext> context_;
    std::unique_ptr<zamo::SensorMessage> message_;
};

double percentile(std::vector<double>& sorted, double p) {
    const std::size_t index = std::min(
        sorted.size() - 1, static_cast<std::size_t>(p * static_cast<double>(sorted.size())));
    return sorted[index];
}

void BM_ReplayThinkCycle(benchmark::State& state) {
    std::vector<Session> sessions;
    for (const char* file :
         {"v9-player-session.tsv", "v9-goalie-session.tsv", "v9-say-kick-tackle-session.tsv",
          "v9-left-known-position.tsv", "v9-right-known-position.tsv"}) {
        Session session = loadSession(file);
        if (session.number == 0 || session.team.empty() || session.messages.empty()) {
            state.SkipWithError(("recorded session missing: " + session.file).c_str());
            return;
        }
        sessions.push_back(std::move(session));
    }
    std::vector<double> decisions;
    std::vector<double> cpu;
    decisions.reserve(1 << 20);
    cpu.reserve(1 << 20);
    for (auto _ : state) {
        for (const Session& session : sessions) {
            state.PauseTiming();
            Replay replay(session);
            state.ResumeTiming();
            if (!replay.ready()) {
                state.SkipWithError("no loopback socket for the commands");
                return;
            }
            replay.run(decisions, cpu);
        }
    }
    if (decisions.empty()) {
        state.SkipWithError("no cycle was decided");
        return;
    }
    std::sort(decisions.begin(), decisions.end());
    state.counters["cycles"] = static_cast<double>(decisions.size());
    state.counters["p50_us"] = percentile(decisions, 0.50) / 1000.0;
    state.counters["p99_us"] = percentile(decisions, 0.99) / 1000.0;
    state.counters["max_us"] = decisions.back() / 1000.0;
    // The machine is shared: a wall-clock maximum may hold a preemption, the CPU time does not.
    std::sort(cpu.begin(), cpu.end());
    state.counters["cpu_p99_us"] = percentile(cpu, 0.99) / 1000.0;
    state.counters["cpu_max_us"] = cpu.back() / 1000.0;
}
BENCHMARK(BM_ReplayThinkCycle)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace
