#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace zamo {

// Think passes are timed in 1 us buckets up to this many microseconds; longer ones share the
// last bucket and are told apart only by the maximum.
inline constexpr std::size_t kLatencyBuckets = 10000;

// What the statistics file reports.
struct CycleStatsSummary {
    std::int64_t cyclesPlayed = 0;
    std::int64_t latencyP50Us = 0;
    std::int64_t latencyP99Us = 0;
    std::int64_t latencyMaxUs = 0;
    std::int64_t cyclesWithoutBodyCommand = 0;
    std::int64_t lateCommands = 0;
};

// Per-cycle figures of the think loop, kept in a fixed histogram so recording never allocates.
class CycleStats {
  public:
    // One think pass: how long it took, whether a body command (kick, dash, turn, catch, move,
    // tackle) left, and how many of its commands left after the next cycle had begun.
    void recordPass(std::chrono::nanoseconds duration, bool bodyCommandSent, int lateCommands);

    // The smallest whole number of microseconds that at least fraction of the passes took no
    // longer than (rounded up to the bucket). In the overflow bucket it is the maximum; 0 without
    // passes.
    std::int64_t percentileUs(double fraction) const;
    CycleStatsSummary summary() const;

  private:
    std::array<std::uint32_t, kLatencyBuckets + 1> buckets_{};
    std::int64_t passes_ = 0;
    std::int64_t maxUs_ = 0;
    std::int64_t withoutBody_ = 0;
    std::int64_t late_ = 0;
};

// The "key value" lines of the statistics file.
std::string formatStats(const CycleStatsSummary& summary);

// Writes the statistics file whole (through a temporary file beside it); false when it could not
// be written.
bool writeStatsFile(const std::string& path, const CycleStatsSummary& summary);

}  // namespace zamo
