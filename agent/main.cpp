// ZamoSoccer: one player. Without a window (--headless) it connects one second after start,
// plays until the server falls silent and exits 0; a failed automatic connection exits 1, and
// SIGINT or SIGTERM end it after a clean teardown with status 0. With --stats the think loop's
// figures are written at exit; a file that cannot be written makes the exit status 1.
//
// This program links no window library, so that a headless player stays small. Asked for its
// window, it becomes ZamoSoccerWindow (beside it), which opens the main window (minimised with
// --minimized) and ends when the window closes; the process keeps its id and its name.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "agent/config/launch_arguments.h"
#include "agent/runtime/agent.h"
#include "agent/runtime/agent_host.h"
#include "agent/runtime/cycle_stats.h"
#include "agent/runtime/program_start.h"

namespace {

using namespace std::chrono_literals;

constexpr auto kStartDelay = 1000ms;
// With --verbose the cycle and the score are told every this many cycles, and at each goal.
constexpr int kProgressCycles = 50;
constexpr auto kProgressCheck = 1000ms;
// Sent by the agent's threads to the main thread when the agent asks to close.
constexpr int kCloseSignal = SIGUSR1;

// The host without a window: no drawing, no dialogs (a dialog is answered "cancel" at once), and
// a close request wakes the main thread.
class HeadlessHost : public zamo::AgentHost {
  public:
    HeadlessHost(bool verbose, pthread_t mainThread) : verbose_(verbose), mainThread_(mainThread) {}

    void attach(zamo::Agent& agent) { agent_ = &agent; }

    void redraw() override {}
    bool drawsEachCycle() const override { return false; }
    void requestDialog(zamo::DialogKind kind) override {
        if (agent_ != nullptr) {
            agent_->answerDialog(kind, false);
        }
    }
    void requestClose(zamo::CloseReason reason) override {
        reason_ = reason;
        closeRequested_ = true;
        pthread_kill(mainThread_, kCloseSignal);
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
    pthread_t mainThread_;
    zamo::Agent* agent_ = nullptr;
    std::atomic<bool> closeRequested_{false};
    std::atomic<zamo::CloseReason> reason_{zamo::CloseReason::kServerSilent};
};

// Waits for one of the signals, which every thread keeps blocked, up to timeout when one is
// given. The signal taken, or 0 when the time ran out.
int awaitSignal(const sigset_t& signals, std::optional<std::chrono::milliseconds> timeout) {
    while (true) {
        int taken = 0;
        if (timeout) {
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(*timeout).count();
            const timespec wait{static_cast<time_t>(ns / 1'000'000'000),
                                static_cast<long>(ns % 1'000'000'000)};
            taken = sigtimedwait(&signals, nullptr, &wait);
        } else {
            taken = sigwaitinfo(&signals, nullptr);
        }
        if (taken > 0) {
            return taken;
        }
        if (errno == EAGAIN) {
            return 0;
        }
    }
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
    sigaddset(&signals, kCloseSignal);
    // Blocked before any thread starts, so every thread inherits the mask and only the main
    // thread takes the signals, when it waits for them.
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    std::error_code error;
    std::filesystem::path workingDirectory = std::filesystem::current_path(error);
    if (error) {
        workingDirectory = ".";
    }

    HeadlessHost host(commandLine.verbose, pthread_self());
    zamo::Agent agent(host);
    host.attach(agent);
    agent.loadConfiguration(commandLine.arguments, workingDirectory);

    const auto connectAt = std::chrono::steady_clock::now() + kStartDelay;
    for (auto now = std::chrono::steady_clock::now(); now < connectAt;
         now = std::chrono::steady_clock::now()) {
        const int taken =
            awaitSignal(signals, std::chrono::ceil<std::chrono::milliseconds>(connectAt - now));
        if (taken == SIGINT || taken == SIGTERM) {
            return finish(agent, commandLine, 0);
        }
    }
    agent.startAutoConnect();

    ProgressReporter progress;
    const auto pace = commandLine.verbose ? std::optional(kProgressCheck) : std::nullopt;
    while (true) {
        const int taken = awaitSignal(signals, pace);
        if (taken == SIGINT || taken == SIGTERM) {
            return finish(agent, commandLine, 0);
        }
        if (host.closeRequested()) {
            return finish(agent, commandLine,
                          host.reason() == zamo::CloseReason::kConnectFailed ? 1 : 0);
        }
        if (commandLine.verbose) {
            progress.check(agent);
        }
    }
}

// Becomes the windowed program beside this one, with the same arguments.
int runWindowProgram(char** argv) {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::filesystem::path window =
        (error ? std::filesystem::path(".") : self.parent_path()) / "ZamoSoccerWindow";
    // argv[0] stays, so the process still names itself as the player the scripts know.
    ::execv(window.c_str(), argv);
    std::fprintf(stderr,
                 "ZamoSoccer: cannot open a window: %s: %s; run it with --headless (see --help)\n",
                 window.c_str(), std::strerror(errno));
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const zamo::CommandLine commandLine = zamo::readCommandLine(argc, argv);
    if (const auto status = zamo::checkStartArguments(commandLine)) {
        return *status;
    }
    if (!commandLine.headless) {
        return runWindowProgram(argv);
    }
    return runHeadless(commandLine);
}
