// ZamoSoccer: one player. Without a window (--headless) it connects one second after start,
// plays until the server falls silent and exits 0; a failed automatic connection exits 1, and
// SIGINT or SIGTERM end it after a clean teardown with status 0. Otherwise it opens its main
// window (minimised with --minimized) and ends when the window closes. With --stats the think
// loop's figures are written at exit; a file that cannot be written makes the exit status 1.
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "agent/config/launch_arguments.h"
#include "agent/runtime/agent.h"
#include "agent/runtime/agent_host.h"
#include "agent/runtime/cycle_stats.h"
#include "agent/ui/window_main.h"

namespace {

using namespace std::chrono_literals;

constexpr auto kStartDelay = 1000ms;
// With --verbose the cycle and the score are told every this many cycles, and at each goal.
constexpr int kProgressCycles = 50;
constexpr int kProgressCheckTicks = 10;  // main loop passes of 10 ms between two looks

// The host without a window: no drawing, no dialogs (a dialog is answered "cancel" at once), and
// a close request ends the main loop.
class HeadlessHost : public zamo::AgentHost {
  public:
    explicit HeadlessHost(bool verbose) : verbose_(verbose) {}

    void attach(zamo::Agent& agent) { agent_ = &agent; }

    void redraw() override {}
    void requestDialog(zamo::DialogKind kind) override {
        if (agent_ != nullptr) {
            agent_->answerDialog(kind, false);
        }
    }
    void requestClose(zamo::CloseReason reason) override {
        reason_ = reason;
        closeRequested_ = true;
    }
    void updateTitle(std::string_view) override {}
    void lifecycleEvent(std::string_view text) override {
        if (verbose_) {
            std::fprintf(stderr, "ZamoSoccer: %.*s\n", static_cast<int>(text.size()), text.data());
        }
    }

    bool closeRequested() const { return closeRequested_.load(); }
    zamo::CloseReason reason() const { return reason_.load(); }

  private:
    bool verbose_;
    zamo::Agent* agent_ = nullptr;
    std::atomic<bool> closeRequested_{false};
    std::atomic<zamo::CloseReason> reason_{zamo::CloseReason::kServerSilent};
};

// Waits up to timeout for SIGINT or SIGTERM, which every thread keeps blocked.
bool terminationSignalled(const sigset_t& signals, std::chrono::milliseconds timeout) {
    const timespec wait{
        0,
        static_cast<long>(std::chrono::duration_cast<std::chrono::nanoseconds>(timeout).count())};
    return sigtimedwait(&signals, nullptr, &wait) > 0;
}

// Prints "cycle N, score L - R" (left team first) when a multiple of kProgressCycles has been
// passed or the score changed since the last line.
class ProgressReporter {
  public:
    void check(zamo::Agent& agent) {
        int cycle = 0;
        int left = 0;
        int right = 0;
        {
            zamo::AgentContext& context = agent.context();
            std::lock_guard lock(context.runtime.mutex());
            cycle = context.clock.cycle;
            left = context.self.score.firstScore;
            right = context.self.score.secondScore;
        }
        if (cycle < 0) {
            return;
        }
        const int step = cycle / kProgressCycles;
        if (step == lastStep_ && left == lastLeft_ && right == lastRight_) {
            return;
        }
        lastStep_ = step;
        lastLeft_ = left;
        lastRight_ = right;
        std::fprintf(stderr, "ZamoSoccer: cycle %d, score %d - %d\n", cycle, left, right);
    }

  private:
    int lastStep_ = -1;
    int lastLeft_ = 0;
    int lastRight_ = 0;
};

// Tears the agent down and writes the statistics file when one was asked for.
int finish(zamo::Agent& agent, const zamo::CommandLine& commandLine, int status) {
    agent.teardown();
    if (commandLine.statsPath.empty()) {
        return status;
    }
    // Every thread but the display refresh has stopped, so the figures are read alone.
    if (!zamo::writeStatsFile(commandLine.statsPath, agent.context().runtime.stats().summary())) {
        std::fprintf(stderr, "ZamoSoccer: cannot write the statistics file %s\n",
                     commandLine.statsPath.c_str());
        return 1;
    }
    return status;
}

int runHeadless(const zamo::CommandLine& commandLine) {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    // Blocked before any thread starts, so every thread inherits the mask and only the main
    // loop below takes the signals.
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    std::error_code error;
    std::filesystem::path workingDirectory = std::filesystem::current_path(error);
    if (error) {
        workingDirectory = ".";
    }

    HeadlessHost host(commandLine.verbose);
    zamo::Agent agent(host);
    host.attach(agent);
    agent.loadConfiguration(commandLine.arguments, workingDirectory);

    const auto connectAt = std::chrono::steady_clock::now() + kStartDelay;
    while (std::chrono::steady_clock::now() < connectAt) {
        if (terminationSignalled(signals, 10ms)) {
            return finish(agent, commandLine, 0);
        }
    }
    agent.startAutoConnect();

    ProgressReporter progress;
    int tick = 0;
    while (true) {
        if (terminationSignalled(signals, 10ms)) {
            return finish(agent, commandLine, 0);
        }
        if (host.closeRequested()) {
            return finish(agent, commandLine,
                          host.reason() == zamo::CloseReason::kConnectFailed ? 1 : 0);
        }
        if (commandLine.verbose && ++tick >= kProgressCheckTicks) {
            tick = 0;
            progress.check(agent);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string_view> args;
    for (int i = 1; i < argc; ++i) {
        args.emplace_back(argv[i]);
    }
    const zamo::CommandLine commandLine = zamo::parseArguments(args);
    if (commandLine.help) {
        const std::string_view usage = zamo::commandLineUsage();
        std::fwrite(usage.data(), 1, usage.size(), stdout);
        return 0;
    }
    if (!commandLine.error.empty()) {
        std::fprintf(stderr, "ZamoSoccer: %s\n", commandLine.error.c_str());
        return 2;
    }
    if (!commandLine.statsPath.empty()) {
        // Found out now rather than after a whole match.
        std::FILE* probe = std::fopen(commandLine.statsPath.c_str(), "a");
        if (probe == nullptr) {
            std::fprintf(stderr, "ZamoSoccer: cannot write the statistics file %s\n",
                         commandLine.statsPath.c_str());
            return 2;
        }
        std::fclose(probe);
    }
    if (!commandLine.headless) {
        return zamo::runWindow(commandLine, argc, argv);
    }
    return runHeadless(commandLine);
}
