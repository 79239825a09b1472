// The think loop's timing figures.
#include "agent/runtime/cycle_stats.h"

#include <cmath>
#include <cstdio>

namespace zamo {

void LatencyHistogram::record(std::chrono::nanoseconds duration) {
    const std::int64_t nanoseconds = duration.count() < 0 ? 0 : duration.count();
    const std::int64_t us = (nanoseconds + 999) / 1000;
    const std::size_t bucket = us >= static_cast<std::int64_t>(kLatencyBuckets)
                                   ? kLatencyBuckets
                                   : static_cast<std::size_t>(us);
    ++buckets_[bucket];
    ++count_;
    if (us > maxUs_) {
        maxUs_ = us;
    }
}

std::int64_t LatencyHistogram::percentileUs(double fraction) const {
    if (count_ == 0) {
        return 0;
    }
    const double wanted = std::ceil(fraction * static_cast<double>(count_));
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

void CycleStats::recordPass(std::chrono::nanoseconds latency, std::chrono::nanoseconds cpu,
                            bool bodyCommandSent) {
    latency_.record(latency);
    cpu_.record(cpu);
    if (!bodyCommandSent) {
        ++withoutBody_;
    }
}

void CycleStats::recordReaction(std::chrono::nanoseconds reaction) {
    reaction_.record(reaction);
}

void CycleStats::recordLateCycle(int commands) {
    ++lateCycles_;
    if (commands > 0) {
        late_ += commands;
    }
}

CycleStatsSummary CycleStats::summary() const {
    CycleStatsSummary s;
    s.cyclesPlayed = latency_.count();
    s.latencyP50Us = latency_.percentileUs(0.50);
    s.latencyP99Us = latency_.percentileUs(0.99);
    s.latencyMaxUs = latency_.maxUs();
    s.cpuP99Us = cpu_.percentileUs(0.99);
    s.cpuMaxUs = cpu_.maxUs();
    s.cyclesWithoutBodyCommand = withoutBody_;
    s.lateCommands = late_;
    s.reactionP50Us = reaction_.percentileUs(0.50);
    s.reactionP99Us = reaction_.percentileUs(0.99);
    s.reactionMaxUs = reaction_.maxUs();
    s.lateCycles = lateCycles_;
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
    line("think_cpu_p99_us", s.cpuP99Us);
    line("think_cpu_max_us", s.cpuMaxUs);
    line("cycles_without_body_command", s.cyclesWithoutBodyCommand);
    line("late_commands", s.lateCommands);
    line("reaction_p50_us", s.reactionP50Us);
    line("reaction_p99_us", s.reactionP99Us);
    line("reaction_max_us", s.reactionMaxUs);
    line("late_cycles", s.lateCycles);
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
