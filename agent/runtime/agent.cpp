// The agent's lifecycle: connecting, the threads, pausing, teardown.
#include "agent/runtime/agent.h"

#include <string>
#include <utility>

#include "agent/config/launch_arguments.h"

namespace zamo {

namespace {

std::string sideName(int side) {
    switch (side) {
        case 1:
            return "left";
        case 2:
            return "right";
        default:
            return "none";
    }
}

}  // namespace

Agent::Agent(AgentHost& host) : host_(host), context_(std::make_unique<AgentContext>()) {}

Agent::~Agent() {
    teardown();
    stopThread(refreshThread_);
}

void Agent::loadConfiguration(const LaunchArguments& arguments,
                              const std::filesystem::path& workingDirectory) {
    context_->config = zamo::loadConfiguration(arguments, workingDirectory);
    uniformNumberKnown_ = context_->config.uniformNumber != kNoTime;
    announceTitle();
    std::lock_guard lock(lifecycleMutex_);
    startThread(
        refreshThread_,
        [this](const std::atomic<bool>& stop) {
            while (true) {
                refreshEvent_.wait();
                if (stop.load()) {
                    return;
                }
                host_.redraw();
            }
        },
        [this] { refreshEvent_.signal(); });
}

bool Agent::startAutoConnect() {
    std::lock_guard lock(lifecycleMutex_);
    return startThread(autoConnectThread_, [this](const std::atomic<bool>& stop) {
        connectWithInit(&stop);
        if (!connected() && !stop.load()) {
            host_.requestClose(CloseReason::kConnectFailed);
        }
    });
}

bool Agent::startConnectDialog() {
    std::lock_guard lock(lifecycleMutex_);
    return startThread(
        connectDialogThread_, [this](const std::atomic<bool>& stop) { connectDialogLoop(&stop); },
        [this] { connectDialogDone_.signal(); });
}

bool Agent::startReconnect() {
    std::lock_guard lock(lifecycleMutex_);
    return startThread(reconnectThread_,
                       [this](const std::atomic<bool>& stop) { connectWithReconnect(&stop); });
}

bool Agent::startReconnectDialog() {
    std::lock_guard lock(lifecycleMutex_);
    return startThread(
        reconnectDialogThread_,
        [this](const std::atomic<bool>& stop) { reconnectDialogLoop(&stop); },
        [this] { reconnectDialogDone_.signal(); });
}

bool Agent::startThread(ThreadSlot& slot, std::function<void(const std::atomic<bool>&)> body,
                        std::function<void()> wake) {
    if (slot.running.load()) {
        return false;
    }
    if (slot.thread.joinable()) {
        // Its body has returned; only the handle is left.
        slot.thread.join();
    }
    slot.stop = false;
    slot.running = true;
    slot.wake = std::move(wake);
    slot.thread = std::thread([&slot, body = std::move(body)] {
        body(slot.stop);
        slot.running = false;
    });
    return true;
}

bool Agent::stopThread(ThreadSlot& slot) {
    if (!slot.thread.joinable() || slot.thread.get_id() == std::this_thread::get_id()) {
        return false;
    }
    slot.stop = true;
    if (slot.wake) {
        slot.wake();
    }
    slot.thread.join();
    slot.running = false;
    return true;
}

void Agent::connectWithInit(const std::atomic<bool>* stop) {
    connecting_ = 1;
    attempted_ = true;
    const AgentConfig& config = context_->config;
    const HandshakeResult result = context_->commandFormatter.initHandshake(
        config.teamName, config.serverVersion, config.isGoalie == 1,
        [stop] { return stop != nullptr && stop->load(); });
    finishConnection(result.succeeded(), result.side, result.uniformNumber, result.playMode);
}

void Agent::connectWithReconnect(const std::atomic<bool>* stop) {
    connecting_ = 1;
    attempted_ = true;
    const AgentConfig& config = context_->config;
    const HandshakeResult result = context_->commandFormatter.reconnectHandshake(
        config.teamName, config.uniformNumber, [stop] { return stop != nullptr && stop->load(); });
    finishConnection(result.succeeded(), result.side, result.uniformNumber, result.playMode);
}

void Agent::finishConnection(bool succeeded, int side, int uniformNumber, int playMode) {
    if (succeeded) {
        AgentContext& context = *context_;
        connected_ = 1;
        playing_ = 1;
        context.config.uniformNumber = uniformNumber;
        context.config.side = side;
        uniformNumberKnown_ = true;
        context.playMode.time = context.clock.cycle;
        context.playMode.mode = static_cast<PlayMode>(playMode);
        context.worldModel.resetWorld();
        context.commandSender.clearHistory();
        announceTitle();
        // No receive or think thread runs while a connection attempt does (teardown joins the
        // connection threads before those two), so their slots are this thread's alone here.
        AgentRuntime& runtime = context.runtime;
        startThread(
            thinkThread_, [&runtime](const std::atomic<bool>& stop) { runtime.thinkLoop(stop); },
            [&runtime] { runtime.wakeThinker(); });
        AutoResetEvent* refresh = host_.drawsEachCycle() ? &refreshEvent_ : nullptr;
        startThread(
            receiveThread_,
            [this, &runtime, refresh](const std::atomic<bool>& stop) {
                if (runtime.receiveLoop(stop, playing_, refresh) == ReceiveEnd::kServerSilent) {
                    host_.lifecycleEvent("silence: the server stopped sending");
                    host_.requestClose(CloseReason::kServerSilent);
                }
            },
            [&runtime] { runtime.wakeReceiver(); });
        host_.lifecycleEvent("connected as side " + sideName(side) + ", number " +
                             std::to_string(uniformNumber));
    } else {
        host_.lifecycleEvent("connection attempt failed");
    }
    connecting_ = 0;
}

void Agent::connectDialogLoop(const std::atomic<bool>* stop) {
    dialogLoop(DialogKind::kConnect, stop);
}

void Agent::reconnectDialogLoop(const std::atomic<bool>* stop) {
    dialogLoop(DialogKind::kReconnect, stop);
}

void Agent::dialogLoop(DialogKind kind, const std::atomic<bool>* stop) {
    const bool reconnect = kind == DialogKind::kReconnect;
    AgentConfig& config = context_->config;
    DialogValues& values = dialogValues(kind);
    AutoResetEvent& done = reconnect ? reconnectDialogDone_ : connectDialogDone_;
    const std::atomic<int>& result = reconnect ? reconnectDialogResult_ : connectDialogResult_;
    const auto stopped = [stop] { return stop != nullptr && stop->load(); };

    values.isGoalie = config.isGoalie == 1;
    values.serverIp = config.serverIp;
    values.serverPort = config.serverPort;
    if (reconnect) {
        values.uniformNumber = config.uniformNumber == kNoTime ? 0 : config.uniformNumber;
    }
    while (!stopped()) {
        values.teamName = config.teamName;
        done.reset();
        // A stop that came with its wake-up just before the reset is seen here.
        if (stopped()) {
            return;
        }
        host_.requestDialog(kind);
        done.wait();
        if (result.load() != 1 || stopped()) {
            return;
        }
        applyDialogValues(kind);
        if (reconnect) {
            connectWithReconnect(stop);
        } else {
            connectWithInit(stop);
        }
        if (connected()) {
            return;
        }
    }
}

void Agent::applyDialogValues(DialogKind kind) {
    AgentConfig& config = context_->config;
    const DialogValues& values = dialogValues(kind);
    config.teamName = values.teamName.substr(0, kTeamNameWidth);
    // The parser recognises the own team by its quoted name, which must follow the team name.
    config.quotedTeamName = '"' + config.teamName + '"';
    config.serverIp = values.serverIp.substr(0, kWordWidth);
    config.serverPort = values.serverPort;
    if (kind == DialogKind::kReconnect) {
        config.uniformNumber = values.uniformNumber;
        uniformNumberKnown_ = true;
    } else {
        config.isGoalie = values.isGoalie ? 1 : 0;
    }
}

void Agent::teardown() {
    std::lock_guard lock(lifecycleMutex_);
    // The connection threads go first: one of them may be starting the receive and think
    // threads.
    bool stoppedAny = false;
    for (ThreadSlot* slot : {&autoConnectThread_, &connectDialogThread_, &reconnectThread_,
                             &reconnectDialogThread_, &thinkThread_, &receiveThread_}) {
        stoppedAny = stopThread(*slot) || stoppedAny;
    }
    const bool wasConnected = connected();
    if (wasConnected) {
        context_->commandSender.doBye();
    }
    // A failed attempt leaves its socket open too; it is of no use any more.
    closeEndpoint(context_->endpoint);
    connected_ = 0;
    connecting_ = 0;
    playing_ = 0;
    if (stoppedAny || wasConnected) {
        announceTitle();
        host_.lifecycleEvent("teardown");
    }
}

void Agent::setPlaying(bool playing) {
    playing_ = playing ? 1 : 0;
    context_->runtime.wakeReceiver();
    host_.lifecycleEvent(playing ? "playing" : "paused");
}

void Agent::toggleDrawWorldModel() {
    drawWorldModel_ = drawWorldModel_.load() != 0 ? 0 : 1;
    refreshEvent_.signal();
}

DialogValues& Agent::dialogValues(DialogKind kind) {
    return kind == DialogKind::kReconnect ? reconnectValues_ : connectValues_;
}

void Agent::answerDialog(DialogKind kind, bool accepted) {
    if (kind == DialogKind::kReconnect) {
        reconnectDialogResult_ = accepted ? 1 : 2;
        reconnectDialogDone_.signal();
    } else {
        connectDialogResult_ = accepted ? 1 : 2;
        connectDialogDone_.signal();
    }
}

AgentState Agent::state() const {
    if (connecting()) {
        return attempted_.load() ? AgentState::kConnecting : AgentState::kStarting;
    }
    if (!connected()) {
        return AgentState::kDisconnected;
    }
    return playing() ? AgentState::kPlaying : AgentState::kPaused;
}

void Agent::announceTitle() {
    host_.updateTitle(windowCaption(context_->config, connected()));
}

}  // namespace zamo
