// The think loop's timing figures.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace zamo {

// Durations are kept in 1 us buckets up to this many microseconds; longer ones share the last
// bucket and are told apart only by the maximum.
inline constexpr std::size_t kLatencyBuckets = 10000;

// A fixed histogram of durations: recording never allocates.
class LatencyHistogram {
  public:
    // Rounded up to whole microseconds, so a percentile never flatters; negative counts as 0.
    void record(std::chrono::nanoseconds duration);
    // The smallest whole number of microseconds that at least fraction of the durations took no
    // longer than. In the overflow bucket it is the maximum; 0 when nothing was recorded.
    std::int64_t percentileUs(double fraction) const;
    std::int64_t maxUs() const { return maxUs_; }
    std::int64_t count() const { return count_; }

  private:
    std::array<std::uint32_t, kLatencyBuckets + 1> buckets_{};
    std::int64_t count_ = 0;
    std::int64_t maxUs_ = 0;
};

// What the statistics file reports.
struct CycleStatsSummary {
    std::int64_t cyclesPlayed = 0;
    std::int64_t latencyP50Us = 0;
    std::int64_t latencyP99Us = 0;
    std::int64_t latencyMaxUs = 0;
    std::int64_t cpuP99Us = 0;
    std::int64_t cpuMaxUs = 0;
    std::int64_t cyclesWithoutBodyCommand = 0;
    std::int64_t lateCommands = 0;
    std::int64_t reactionP50Us = 0;
    std::int64_t reactionP99Us = 0;
    std::int64_t reactionMaxUs = 0;
    std::int64_t lateCycles = 0;
};

// Per-cycle figures of the think loop.
class CycleStats {
  public:
    // One think pass: how long it took from start to end (latency) and on the processor (the
    // difference is time the thread waited for the processor), and whether a body command (kick,
    // dash, turn, catch, move, tackle) left.
    void recordPass(std::chrono::nanoseconds latency, std::chrono::nanoseconds cpu,
                    bool bodyCommandSent);
    // From what started a decision (the arrival of the datagram that completed the cycle, or the
    // end of the wait for a visual message) to its first command on the wire.
    void recordReaction(std::chrono::nanoseconds reaction);
    // A decided cycle whose commands (that many) left after the server's next cycle had begun.
    void recordLateCycle(int commands);

    const LatencyHistogram& latency() const { return latency_; }
    const LatencyHistogram& reaction() const { return reaction_; }
    CycleStatsSummary summary() const;

  private:
    LatencyHistogram latency_;
    LatencyHistogram cpu_;
    LatencyHistogram reaction_;
    std::int64_t withoutBody_ = 0;
    std::int64_t late_ = 0;
    std::int64_t lateCycles_ = 0;
};

// The "key value" lines of the statistics file.
std::string formatStats(const CycleStatsSummary& summary);

// Writes the statistics file whole (through a temporary file beside it); false when it could not
// be written.
bool writeStatsFile(const std::string& path, const CycleStatsSummary& summary);

}  // namespace zamo
