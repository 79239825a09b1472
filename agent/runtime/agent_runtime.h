#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <mutex>

#include "agent/perception/sensor_parser.h"
#include "agent/runtime/auto_reset_event.h"
#include "agent/runtime/command_sender.h"
#include "agent/runtime/cycle_stats.h"

namespace zamo {

struct AgentContext;

// Receive buffer size: the longest datagram taken, plus its terminator.
inline constexpr std::size_t kReceiveBufferSize = 4096 + 1;

// Why the receive loop returned.
enum class ReceiveEnd { kStopped, kServerSilent };

// The connected agent's two loops. The receive loop drains the socket, stores and routes each
// message, keeps the cycle timing, steers the view width and, once per cycle, updates the world
// and wakes the think loop, which runs one decision per wake-up.
//
// Both loops do their work while holding the agent mutex, so a decision always sees one
// consistent world and the sends of both threads never overlap.
class AgentRuntime {
  public:
    explicit AgentRuntime(AgentContext& context) : context_(context) {}
    AgentRuntime(const AgentRuntime&) = delete;
    AgentRuntime& operator=(const AgentRuntime&) = delete;

    // Runs until stop is set (kStopped) or the server has been silent for about 150 cycles while
    // playing (kServerSilent). Nothing is read while playing is 0.
    ReceiveEnd receiveLoop(const std::atomic<bool>& stop, const std::atomic<int>& playing,
                           AutoResetEvent& refresh);
    // Runs one think cycle per wake-up until stop is set.
    void thinkLoop(const std::atomic<bool>& stop);

    // Serialises the receive loop's work, the decision and anyone else who reads the world
    // (the window's drawing).
    std::mutex& mutex() { return mutex_; }

    // The view control, after a visual message and after a body sense.
    void controlViewAfterSee();
    void controlViewAfterBody();

    // The number of silent polls after which the receive loop gives up.
    int silenceLimit() const;

    // The think loop's figures; read under mutex() or once the think thread has stopped.
    const CycleStats& stats() const { return stats_; }

  private:
    // One pass over the socket: drain, and hand the cycle on when it is ready. False when
    // nothing was read.
    bool drain();
    void dispatch(const SensorMessage& message);
    void handOnCycleIfReady(AutoResetEvent& refresh);
    void changeView(int width);
    // Books one think pass that began at start (and at cpuStart of the thread's processor time),
    // with the command counters from before it.
    void recordPass(std::chrono::steady_clock::time_point start, std::chrono::nanoseconds cpuStart,
                    const SentCommandCounters& before);

    AgentContext& context_;
    std::mutex mutex_;
    AutoResetEvent pollEvent_;
    AutoResetEvent thinkEvent_;
    std::array<char, kReceiveBufferSize> buffer_{};
    SensorMessage message_;
    CycleStats stats_;
};

}  // namespace zamo
