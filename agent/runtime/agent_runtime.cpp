#include "agent/runtime/agent_runtime.h"

#include <chrono>
#include <ctime>

#include "agent/net/server_endpoint.h"
#include "agent/runtime/agent_context.h"

namespace zamo {

namespace {

constexpr std::chrono::milliseconds kPollPace{10};
constexpr int kHighQuality = 1;
// A flood of datagrams must not hold the agent mutex for long; the rest waits for the next pass.
constexpr int kMaxReadsPerPass = 256;

std::chrono::nanoseconds threadCpuTime() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

int bodyCommands(const SentCommandCounters& c) {
    return c.kickCount + c.dashCount + c.turnCount + c.catchCount + c.moveCount + c.tackleCount;
}

int allCommands(const SentCommandCounters& c) {
    return bodyCommands(c) + c.sayCount + c.turnNeckCount + c.changeViewCount;
}

}  // namespace

int AgentRuntime::silenceLimit() const {
    return context_.serverParams.cycleLength / 10 * 150;
}

ReceiveEnd AgentRuntime::receiveLoop(const std::atomic<bool>& stop, const std::atomic<int>& playing,
                                     AutoResetEvent& refresh) {
    const int limit = silenceLimit();
    int silence = 0;
    while (!stop.load()) {
        pollEvent_.waitFor(kPollPace);
        if (stop.load()) {
            break;
        }
        if (playing.load() == 0) {
            silence = 0;
            continue;
        }
        if (++silence > limit) {
            return ReceiveEnd::kServerSilent;
        }
        std::lock_guard lock(mutex_);
        if (drain()) {
            silence = 0;
        }
        handOnCycleIfReady(refresh);
    }
    return ReceiveEnd::kStopped;
}

void AgentRuntime::thinkLoop(const std::atomic<bool>& stop) {
    while (!stop.load()) {
        if (!thinkEvent_.waitFor(kPollPace) || stop.load()) {
            continue;
        }
        std::lock_guard lock(mutex_);
        const auto start = std::chrono::steady_clock::now();
        const auto cpuStart = threadCpuTime();
        const SentCommandCounters before = context_.commandSender.counters();
        context_.thinkCycle.runThinkCycle();
        recordPass(start, cpuStart, before);
    }
}

void AgentRuntime::recordPass(std::chrono::steady_clock::time_point start,
                              std::chrono::nanoseconds cpuStart,
                              const SentCommandCounters& before) {
    const auto end = std::chrono::steady_clock::now();
    const auto cpu = threadCpuTime() - cpuStart;
    const SentCommandCounters& after = context_.commandSender.counters();
    // The next cycle has begun when its body sense has already been read (it waits for its
    // visual message, so the cycle was not handed on), or when a whole cycle has passed since
    // this cycle's body sense was read.
    const CycleTimer& timer = context_.cycleTimer;
    const bool nextCycleBegun =
        timer.bodyArrived ||
        end - timer.cycleStart >= std::chrono::milliseconds(context_.serverParams.cycleLength);
    const int sent = allCommands(after) - allCommands(before);
    stats_.recordPass(end - start, cpu, bodyCommands(after) != bodyCommands(before),
                      nextCycleBegun ? sent : 0);
}

bool AgentRuntime::drain() {
    ServerEndpoint& endpoint = context_.endpoint;
    bool readAny = false;
    for (int reads = 0; reads < kMaxReadsPerPass; ++reads) {
        // The server serves this agent from one port once registered; a datagram from any other
        // port is somebody else's and must neither redirect the commands nor be believed.
        const auto serverPort = endpoint.serverAddress.sin_port;
        const auto length = receiveDatagram(endpoint, buffer_);
        if (!length) {
            return readAny;
        }
        if (endpoint.serverAddress.sin_port != serverPort) {
            endpoint.serverAddress.sin_port = serverPort;
            continue;
        }
        readAny = true;
        if (!context_.sensorParser.parseMessage(std::string_view(buffer_.data(), *length),
                                                message_)) {
            // Anything the parser does not take ends this pass; the rest waits for the next.
            return readAny;
        }
        dispatch(message_);
    }
    return readAny;
}

void AgentRuntime::dispatch(const SensorMessage& message) {
    SensorStore& store = context_.sensorStore;
    CycleTimer& timer = context_.cycleTimer;
    switch (message.kind) {
        case kSeeMessage:
            store.lastSee = message.see;
            timer.onSee();
            controlViewAfterSee();
            break;
        case kHearMessage:
            if (message.hear.sender == kSenderReferee) {
                onRefereeMessage(context_.playMode, context_.self, context_.serverParams,
                                 message.hear.textView(), message.hear.time);
            } else if (message.hear.sender == kSenderOur) {
                store.lastHearFromTeammate = message.hear;
            }
            break;
        case kSenseBodyMessage:
            store.lastBody = message.senseBody;
            timer.onBody(message.senseBody.time);
            controlViewAfterBody();
            break;
        case kParameterMessage:
            // The parser has applied it already.
            break;
        case kPlayerTypeMessage:
            context_.worldModel.applyPlayerTypeChange(message.typeChange);
            break;
    }
}

void AgentRuntime::handOnCycleIfReady(AutoResetEvent& refresh) {
    CycleTimer& timer = context_.cycleTimer;
    if (!timer.bodyArrived) {
        return;
    }
    if (timer.syncSee) {
        if (timer.elapsedMs() < timer.decisionDeadlineMs()) {
            return;
        }
        // The visual message expected in this cycle did not come in time.
        controlViewAfterSee();
    }
    timer.bodyArrived = false;
    timer.seeArrived = false;
    context_.worldModel.updateWorld();
    thinkEvent_.signal();
    refresh.signal();
}

void AgentRuntime::controlViewAfterSee() {
    int width = context_.cycleTimer.chooseViewWidth(context_.sensorStore.lastBody.viewWidth);
    if (width == kNoViewWidth) {
        width = 0;
    }
    changeView(width);
}

void AgentRuntime::controlViewAfterBody() {
    CycleTimer& timer = context_.cycleTimer;
    if (timer.syncSee) {
        changeView(context_.self.wantedViewWidth);
        return;
    }
    int width = timer.chooseViewWidth(context_.sensorStore.lastBody.viewWidth);
    if (width == kNoViewWidth) {
        width = timer.chooseSyncWidth();
        if (width == kNoViewWidth) {
            width = 0;
        }
        timer.syncSee = true;
    }
    changeView(width);
}

void AgentRuntime::changeView(int width) {
    SenseBodyInfo& body = context_.sensorStore.lastBody;
    if (width == body.viewWidth) {
        return;
    }
    // Remembered only when sent, so a failed send is tried again rather than believed.
    if (!context_.commandSender.doChangeView(width, kHighQuality)) {
        return;
    }
    body.viewWidth = width;
    if (body.changeViewCount != kNoTime) {
        ++body.changeViewCount;
    }
}

}  // namespace zamo
