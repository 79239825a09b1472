// Time of reading a whole game log into memory as the monitor's replay does: the recorded
// 2 x 300-cycle match of the real server (ULG6, gzip-compressed, about 2 MB of text).
#include <benchmark/benchmark.h>

#include <string>

#include "gamelog/game_log_reader.h"

namespace {

void readSampleLog(benchmark::State& state) {
    const std::string path = std::string(ZAMO_TEST_DATA_DIR) + "/zamo-selfplay.rcg.gz";
    std::size_t frames = 0;
    for (auto _ : state) {
        std::string error;
        const auto log = zamo::gamelog::readGameLog(path, error);
        if (!log) {
            state.SkipWithError(error.c_str());
            return;
        }
        frames = log->frames.size();
        benchmark::DoNotOptimize(frames);
    }
    state.counters["frames"] = static_cast<double>(frames);
}
BENCHMARK(readSampleLog)->Unit(benchmark::kMillisecond);

}  // namespace
