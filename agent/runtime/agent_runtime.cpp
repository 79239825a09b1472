// The receive and think loops: datagram to world update to decision to the wire.
#include "agent/runtime/agent_runtime.h"

#include <poll.h>
#include <sched.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <ctime>

#include "agent/net/server_endpoint.h"
#include "agent/runtime/agent_context.h"

namespace zamo {

namespace {

constexpr int kHighQuality = 1;
// Datagrams handled between two looks at the stop flag, so a flood cannot hold off teardown.
constexpr int kMaxReadsPerWake = 64;
constexpr int kSilenceCycles = 150;
// From this protocol version on the server sends the visual messages in step with the cycles.
constexpr double kSynchSeeVersion = 18.0;

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

// A thread that asks for short time slices is let run sooner when it wakes while others compute,
// and the loops never run for long. The thread keeps its niceness; a kernel without slices of
// choice refuses, and nothing changes.
void askForShortSlices() {
    // The kernel's sched_attr, which the C library does not declare.
    struct SchedulingAttributes {
        std::uint32_t size = sizeof(SchedulingAttributes);
        std::uint32_t policy = SCHED_OTHER;
        std::uint64_t flags = 0;
        std::int32_t nice = 0;
        std::uint32_t priority = 0;
        std::uint64_t runtime = 0;
        std::uint64_t deadline = 0;
        std::uint64_t period = 0;
    };
    constexpr std::uint64_t kSliceNs = 100'000;
    SchedulingAttributes attributes;
    attributes.nice = ::getpriority(PRIO_PROCESS, 0);
    attributes.runtime = kSliceNs;
    ::syscall(SYS_sched_setattr, 0, &attributes, 0U);
}

}  // namespace

AgentRuntime::AgentRuntime(AgentContext& context)
    : context_(context), wakeFd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

AgentRuntime::~AgentRuntime() {
    if (wakeFd_ >= 0) {
        ::close(wakeFd_);
    }
}

std::chrono::milliseconds AgentRuntime::silenceLimit() const {
    return std::chrono::milliseconds(context_.serverParams.cycleLength * kSilenceCycles);
}

void AgentRuntime::wakeReceiver() {
    const std::uint64_t one = 1;
    // A full counter already wakes the loop; nothing else can go wrong with an eventfd.
    [[maybe_unused]] const auto written = ::write(wakeFd_, &one, sizeof one);
}

void AgentRuntime::wakeThinker() {
    thinkEvent_.signal();
}

void AgentRuntime::startConnection() {
    std::lock_guard lock(mutex_);
    passPending_ = false;
    doneOwed_ = false;
    decided_ = {};
    context_.cycleTimer.bodyArrived = false;
    context_.cycleTimer.synchSee = context_.config.serverVersion >= kSynchSeeVersion;
    setSynchronous(false);
}

void AgentRuntime::waitForEvents(bool reading, std::optional<TimePoint> until) {
    std::array<pollfd, 2> fds{{{wakeFd_, POLLIN, 0}, {context_.endpoint.socket, POLLIN, 0}}};
    timespec timeout{};
    timespec* wait = nullptr;
    if (until) {
        const auto left = std::max(*until - std::chrono::steady_clock::now(),
                                   std::chrono::steady_clock::duration::zero());
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
        timeout.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
        timeout.tv_nsec = static_cast<long>(ns % 1'000'000'000);
        wait = &timeout;
    }
    const nfds_t count = reading && context_.endpoint.socket >= 0 ? 2 : 1;
    if (::ppoll(fds.data(), count, wait, nullptr) > 0 && (fds[0].revents & POLLIN) != 0) {
        std::uint64_t wakes = 0;
        [[maybe_unused]] const auto taken = ::read(wakeFd_, &wakes, sizeof wakes);
    }
}

ReceiveEnd AgentRuntime::receiveLoop(const std::atomic<bool>& stop, const std::atomic<int>& playing,
                                     AutoResetEvent* refresh) {
    askForShortSlices();
    startConnection();
    const auto silence = silenceLimit();
    auto lastHeard = std::chrono::steady_clock::now();
    while (!stop.load()) {
        if (playing.load() == 0) {
            waitForEvents(false, std::nullopt);
            // A paused agent never reaches the silence limit; resuming starts the count afresh.
            lastHeard = std::chrono::steady_clock::now();
            continue;
        }
        const bool reading = !passPending_.load();
        TimePoint until = lastHeard + silence;
        {
            std::lock_guard lock(mutex_);
            const CycleTimer& timer = context_.cycleTimer;
            if (reading && timer.bodyArrived && timer.syncSee && !synchronous_) {
                until = std::min(until, timer.decisionDeadline());
            }
        }
        waitForEvents(reading, until);
        if (stop.load()) {
            break;
        }
        if (playing.load() == 0) {
            continue;
        }
        if (!passPending_.load()) {
            for (int reads = 0; reads < kMaxReadsPerWake && !stop.load(); ++reads) {
                std::lock_guard lock(mutex_);
                ServerEndpoint& endpoint = context_.endpoint;
                // The server serves this agent from one port once registered; a datagram from
                // any other port is somebody else's and must neither redirect the commands nor
                // be believed.
                const auto serverPort = endpoint.serverAddress.sin_port;
                TimePoint arrival;
                const auto length = receiveDatagram(endpoint, buffer_, arrival);
                if (!length) {
                    break;
                }
                if (endpoint.serverAddress.sin_port != serverPort) {
                    endpoint.serverAddress.sin_port = serverPort;
                    continue;
                }
                lastHeard = std::chrono::steady_clock::now();
                if (handleDatagram(std::string_view(buffer_.data(), *length), arrival, refresh)) {
                    // Nothing more is read until the decision is out.
                    break;
                }
            }
            std::lock_guard lock(mutex_);
            if (!passPending_.load()) {
                const auto now = std::chrono::steady_clock::now();
                handOnIfDue(now, now, refresh);
            }
        }
        if (std::chrono::steady_clock::now() - lastHeard > silence) {
            return ReceiveEnd::kServerSilent;
        }
    }
    return ReceiveEnd::kStopped;
}

bool AgentRuntime::handleDatagram(std::string_view text, TimePoint arrival,
                                  AutoResetEvent* refresh) {
    if (!context_.sensorParser.parseMessage(text, message_)) {
        return false;
    }
    SensorStore& store = context_.sensorStore;
    CycleTimer& timer = context_.cycleTimer;
    switch (message_.kind) {
        case kSeeMessage:
            nameOpponent(context_.config, message_.see);
            store.lastSee = message_.see;
            timer.onSee(arrival);
            if (!synchronous_) {
                controlViewAfterSee();
            }
            break;
        case kHearMessage:
            if (message_.hear.sender == kSenderReferee) {
                onRefereeMessage(context_.playMode, context_.self, context_.serverParams,
                                 message_.hear.textView(), message_.hear.time);
            } else if (message_.hear.sender == kSenderOur) {
                store.lastHearFromTeammate = message_.hear;
            }
            break;
        case kSenseBodyMessage:
            closeDecidedCycle(arrival);
            store.lastBody = message_.senseBody;
            timer.onBody(message_.senseBody.time, arrival);
            if (!synchronous_) {
                controlViewAfterBody();
            }
            break;
        case kParameterMessage:
            if (context_.serverParams.synchMode == 1) {
                setSynchronous(true);
            }
            break;
        case kPlayerTypeMessage:
            context_.worldModel.applyPlayerTypeChange(message_.typeChange);
            break;
        case kScoreMessage:
            takeScore(context_.self.score, message_.score);
            break;
        case kThinkMessage:
            return onThink(arrival, refresh);
    }
    return handOnIfDue(arrival, std::chrono::steady_clock::now(), refresh);
}

bool AgentRuntime::onThink(TimePoint arrival, AutoResetEvent* refresh) {
    setSynchronous(true);
    if (context_.cycleTimer.bodyArrived) {
        handOn(arrival, refresh);
        doneOwed_ = true;
        return true;
    }
    // Nothing to decide: this cycle's body sense was lost, or the cycle was decided before the
    // mode was known. The server waits for the word either way.
    context_.commandSender.doDone();
    return false;
}

void AgentRuntime::setSynchronous(bool on) {
    synchronous_ = on;
    context_.cycleTimer.synchronous = on;
    if (on) {
        context_.cycleTimer.syncSee = false;
    }
}

bool AgentRuntime::handOnIfDue(TimePoint trigger, TimePoint now, AutoResetEvent* refresh) {
    CycleTimer& timer = context_.cycleTimer;
    if (!timer.bodyArrived || synchronous_) {
        return false;
    }
    if (timer.syncSee) {
        const TimePoint deadline = timer.decisionDeadline();
        if (now < deadline) {
            return false;
        }
        // The visual message expected in this cycle did not come in time.
        controlViewAfterSee();
        trigger = std::min(trigger, deadline);
    }
    handOn(trigger, refresh);
    return true;
}

void AgentRuntime::handOn(TimePoint trigger, AutoResetEvent* refresh) {
    CycleTimer& timer = context_.cycleTimer;
    timer.bodyArrived = false;
    context_.worldModel.updateWorld();
    trigger_ = trigger;
    passCycleStart_ = timer.cycleStart;
    passPending_ = true;
    thinkEvent_.signal();
    if (refresh != nullptr) {
        refresh->signal();
    }
}

void AgentRuntime::closeDecidedCycle(TimePoint arrival) {
    if (!decided_.open) {
        return;
    }
    decided_.open = false;
    if (decided_.lastSent && arrival < *decided_.lastSent) {
        stats_.recordLateCycle(decided_.commands);
    }
}

void AgentRuntime::thinkLoop(const std::atomic<bool>& stop) {
    askForShortSlices();
    while (true) {
        thinkEvent_.wait();
        if (stop.load()) {
            break;
        }
        {
            std::lock_guard lock(mutex_);
            if (!passPending_.load()) {
                continue;
            }
            const auto start = std::chrono::steady_clock::now();
            const SentCommandCounters before = context_.commandSender.counters();
            context_.commandSender.markSendTimes();
            const std::chrono::nanoseconds cpu = runThinkCycle();
            if (synchronous_ || context_.cycleTimer.synchSee) {
                // No timing steers the view here: the width the decision wants is the one used.
                changeView(context_.self.wantedViewWidth);
            }
            if (doneOwed_) {
                context_.commandSender.doDone();
                doneOwed_ = false;
            }
            recordPass(start, cpu, before);
            passPending_ = false;
        }
        wakeReceiver();
    }
}

std::chrono::nanoseconds AgentRuntime::runThinkCycle() {
    // The processor time is taken before the sends: a send on loopback can run the kernel's
    // delivery of other processes' datagrams on this thread, which is no cost of the decision.
    const auto cpuStart = threadCpuTime();
    const CommandList& commands = context_.thinkCycle.decide();
    prepareOwnMessage(ownMessage_, context_.worldHistory.currentSnapshot(),
                      context_.config.uniformNumber, context_.serverParams, context_.geometry);
    const std::chrono::nanoseconds cpu = threadCpuTime() - cpuStart;
    send(commands);
    if (const std::string_view text = ownMessage_.outgoingText(); !text.empty()) {
        context_.commandSender.doSay(text);
    }
    return cpu;
}

void AgentRuntime::recordPass(TimePoint start, std::chrono::nanoseconds cpu,
                              const SentCommandCounters& before) {
    const auto end = std::chrono::steady_clock::now();
    const CommandSender& sender = context_.commandSender;
    const SentCommandCounters& after = sender.counters();
    stats_.recordPass(end - start, cpu, bodyCommands(after) != bodyCommands(before));
    if (const auto first = sender.firstSentSinceMark()) {
        stats_.recordReaction(*first - trigger_);
    }
    decided_ = {true, sender.lastSentSinceMark(), allCommands(after) - allCommands(before)};
    // The next cycle has begun once its body sense arrived (told when it is read), or, unless the
    // server waits for everyone, once a whole cycle has passed since this cycle's body sense.
    const auto cycle = std::chrono::milliseconds(context_.serverParams.cycleLength);
    if (!synchronous_ && decided_.lastSent && *decided_.lastSent - passCycleStart_ >= cycle) {
        decided_.open = false;
        stats_.recordLateCycle(decided_.commands);
    }
}

void AgentRuntime::controlViewAfterSee() {
    if (context_.cycleTimer.synchSee) {
        return;
    }
    int width = context_.cycleTimer.chooseViewWidth(context_.sensorStore.lastBody.viewWidth);
    if (width == kNoViewWidth) {
        width = 0;
    }
    changeView(width);
}

void AgentRuntime::controlViewAfterBody() {
    CycleTimer& timer = context_.cycleTimer;
    if (timer.synchSee) {
        // The visual message of this cycle, when due, follows the body sense at once.
        const SensorStore& store = context_.sensorStore;
        timer.syncSee = CycleTimer::synchSeeDue(store.lastBody.time, store.lastBody.viewWidth,
                                                store.lastSee.time);
        return;
    }
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

void AgentRuntime::send(const CommandList& commands) {
    CommandSender& sender = context_.commandSender;
    sender.executeCommands(commands);
    const int count = std::clamp(commands.count, 0, static_cast<int>(commands.entries.size()));
    for (int i = 0; i < count; ++i) {
        const ServerCommand& command = commands.entries[static_cast<std::size_t>(i)];
        if (command.kind != kChangeViewCommand) {
            continue;
        }
        const int width = static_cast<int>(command.firstValue);
        // Remembered only when sent, so a failed send is tried again rather than believed.
        if (!sender.doChangeView(width, static_cast<int>(command.secondValue))) {
            continue;
        }
        SenseBodyInfo& body = context_.sensorStore.lastBody;
        body.viewWidth = width;
        if (body.changeViewCount != kNoTime) {
            ++body.changeViewCount;
        }
    }
}

void AgentRuntime::changeView(int width) {
    if (width == context_.sensorStore.lastBody.viewWidth) {
        return;
    }
    CommandList view;
    view.append({kChangeViewCommand, 0, static_cast<double>(width), kHighQuality});
    send(view);
}

}  // namespace zamo
