// The receive and think loops: datagram to world update to decision to the wire.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string_view>

#include "agent/perception/sensor_parser.h"
#include "agent/perception/team_message.h"
#include "agent/runtime/auto_reset_event.h"
#include "agent/runtime/command_sender.h"
#include "agent/runtime/cycle_stats.h"

namespace zamo {

struct AgentContext;

// Receive buffer size: the longest datagram taken, plus its terminator.
inline constexpr std::size_t kReceiveBufferSize = 4096 + 1;

// Why the receive loop returned.
enum class ReceiveEnd { kStopped, kServerSilent };

// The connected agent's two loops. The receive loop sleeps on the socket and handles each
// datagram as it arrives: it stores and routes the message, keeps the cycle timing, steers the
// view width and, the moment a cycle is complete, updates the world and wakes the think loop,
// which runs one decision per cycle handed on. A cycle is complete at its body sense, or at the
// visual message expected before the decision deadline, or at that deadline (a timer); in the
// server's synchronous mode at its "(think)", after which the decision's commands are followed by
// "(done)".
//
// The two loops take turns: while a handed-on cycle waits for its decision the receive loop
// reads nothing, so the think loop never waits for it. Both work while holding the agent mutex,
// so anyone else reading the world (the window's drawing) sees it whole.
class AgentRuntime {
  public:
    using TimePoint = std::chrono::steady_clock::time_point;

    explicit AgentRuntime(AgentContext& context);
    ~AgentRuntime();
    AgentRuntime(const AgentRuntime&) = delete;
    AgentRuntime& operator=(const AgentRuntime&) = delete;

    // Runs until stop is set (kStopped) or the server has been silent for silenceLimit() while
    // playing (kServerSilent). Nothing is read while playing is 0. refresh, when given, is
    // signalled with every cycle handed on.
    ReceiveEnd receiveLoop(const std::atomic<bool>& stop, const std::atomic<int>& playing,
                           AutoResetEvent* refresh);
    // Runs one think cycle per cycle handed on until stop is set.
    void thinkLoop(const std::atomic<bool>& stop);
    // One think pass: the decision's commands go out, and in the agent's say turn its team
    // message. Under mutex(). Returns the processor time of the decision.
    std::chrono::nanoseconds runThinkCycle();

    // Wake the loops so that they see a changed stop or playing flag at once.
    void wakeReceiver();
    void wakeThinker();

    // Serialises the receive loop's work, the decision and anyone else who reads the world
    // (the window's drawing).
    std::mutex& mutex() { return mutex_; }

    // The view control, after a visual message and after a body sense.
    void controlViewAfterSee();
    void controlViewAfterBody();

    // How long the server may stay silent while the agent plays: 150 cycles.
    std::chrono::milliseconds silenceLimit() const;

    // Whether the server runs in synchronous mode; read under mutex().
    bool synchronous() const { return synchronous_; }

    // The think loop's figures; read under mutex() or once the think thread has stopped.
    const CycleStats& stats() const { return stats_; }

  private:
    // The last decided cycle, until the next body sense tells whether its commands were late.
    struct DecidedCycle {
        bool open = false;
        std::optional<TimePoint> lastSent;
        int commands = 0;
    };

    void startConnection();
    // Sleeps until the wake-up, a datagram (when reading) or until (when given).
    void waitForEvents(bool reading, std::optional<TimePoint> until);
    // Handles one datagram; true when it completed the cycle and handed it on.
    bool handleDatagram(std::string_view text, TimePoint arrival, AutoResetEvent* refresh);
    bool onThink(TimePoint arrival, AutoResetEvent* refresh);
    void setSynchronous(bool on);
    // Hands the cycle on when its rule is met at now; trigger is what met it.
    bool handOnIfDue(TimePoint trigger, TimePoint now, AutoResetEvent* refresh);
    void handOn(TimePoint trigger, AutoResetEvent* refresh);
    // A body sense arrived: the server's next cycle has begun.
    void closeDecidedCycle(TimePoint arrival);
    // Every command leaves through send: a think pass's list and the view control's width. The
    // sender sends the decision's kinds; a change_view entry, once sent, also sets the width and
    // count of the stored body sense, so that the view control does not ask for it again.
    void send(const CommandList& commands);
    // Sends the width with high quality unless the body sense reports it already.
    void changeView(int width);
    // Books one think pass that began at start and whose decision took cpu of the thread's
    // processor time, with the command counters from before it.
    void recordPass(TimePoint start, std::chrono::nanoseconds cpu,
                    const SentCommandCounters& before);

    AgentContext& context_;
    std::mutex mutex_;
    int wakeFd_ = -1;
    AutoResetEvent thinkEvent_;
    std::array<char, kReceiveBufferSize> buffer_{};
    SensorMessage message_;
    TeamMessage ownMessage_;
    CycleStats stats_;

    // Per connection, under mutex_ (passPending_ is also read without it by the receive loop).
    std::atomic<bool> passPending_{false};
    bool synchronous_ = false;
    bool doneOwed_ = false;
    TimePoint trigger_{};
    TimePoint passCycleStart_{};
    DecidedCycle decided_;
};

}  // namespace zamo
