// ZamoSoccer: one player. Without a window (--headless) it connects one second after start,
// plays until the server falls silent and exits 0; a failed automatic connection exits 1, and
// SIGINT or SIGTERM end it after a clean teardown with status 0. Otherwise it opens its main
// window (minimised with --minimized) and ends when the window closes.
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "agent/config/launch_arguments.h"
#include "agent/runtime/agent.h"
#include "agent/runtime/agent_host.h"
#include "agent/ui/window_main.h"

namespace {

using namespace std::chrono_literals;

constexpr auto kStartDelay = 1000ms;

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
            agent.teardown();
            return 0;
        }
    }
    agent.startAutoConnect();

    while (true) {
        if (terminationSignalled(signals, 10ms)) {
            agent.teardown();
            return 0;
        }
        if (host.closeRequested()) {
            agent.teardown();
            return host.reason() == zamo::CloseReason::kConnectFailed ? 1 : 0;
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
    if (!commandLine.headless) {
        return zamo::runWindow(commandLine, argc, argv);
    }
    return runHeadless(commandLine);
}
