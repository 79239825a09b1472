#include "agent/runtime/cycle_stats.h"

#include <cmath>
#include <cstdio>

namespace zamo {

void CycleStats::recordPass(std::chrono::nanoseconds duration, bool bodyCommandSent,
                            int lateCommands) {
    // Rounded up: a pass of 0.3 us counts as 1 us, so a percentile never flatters.
    const std::int64_t nanoseconds = duration.count() < 0 ? 0 : duration.count();
    const std::int64_t us = (nanoseconds + 999) / 1000;
    const std::size_t bucket = us >= static_cast<std::int64_t>(kLatencyBuckets)
                                   ? kLatencyBuckets
                                   : static_cast<std::size_t>(us);
    ++buckets_[bucket];
    ++passes_;
    if (us > maxUs_) {
        maxUs_ = us;
    }
    if (!bodyCommandSent) {
        ++withoutBody_;
    }
    if (lateCommands > 0) {
        late_ += lateCommands;
    }
}

std::int64_t CycleStats::percentileUs(double fraction) const {
    if (passes_ == 0) {
        return 0;
    }
    const double wanted = std::ceil(fraction * static_cast<double>(passes_));
    const std::int64_t rank = wanted < 1.0 ? 1 : static_cast<std::int64_t>(wanted);
    std::int64_t seen = 0;
    for (std::size_t us = 0; us < kLatencyBuckets; ++us) {
        seen += buckets_[us];
        if (seen >= rank) {
            return static_cast<std::int64_t>(us);
        }
    }
    return maxUs_;
}

CycleStatsSummary CycleStats::summary() const {
    CycleStatsSummary s;
    s.cyclesPlayed = passes_;
    s.latencyP50Us = percentileUs(0.50);
    s.latencyP99Us = percentileUs(0.99);
    s.latencyMaxUs = maxUs_;
    s.cyclesWithoutBodyCommand = withoutBody_;
    s.lateCommands = late_;
    return s;
}

std::string formatStats(const CycleStatsSummary& s) {
    std::string text;
    const auto line = [&text](const char* key, std::int64_t value) {
        text += key;
        text += ' ';
        text += std::to_string(value);
        text += '\n';
    };
    line("cycles_played", s.cyclesPlayed);
    line("think_latency_p50_us", s.latencyP50Us);
    line("think_latency_p99_us", s.latencyP99Us);
    line("think_latency_max_us", s.latencyMaxUs);
    line("cycles_without_body_command", s.cyclesWithoutBodyCommand);
    line("late_commands", s.lateCommands);
    return text;
}

bool writeStatsFile(const std::string& path, const CycleStatsSummary& summary) {
    if (path.empty()) {
        return false;
    }
    // A reader never sees half a file: it is written under another name and renamed.
    const std::string temporary = path + ".part";
    std::FILE* file = std::fopen(temporary.c_str(), "w");
    if (file == nullptr) {
        return false;
    }
    const std::string text = formatStats(summary);
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed || std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace zamo
