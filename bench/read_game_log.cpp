// Time of reading a whole game log into memory as the monitor's replay does: the recorded
// 2 x 300-cycle match of the real server (ULG6, gzip-compressed), and one of 6000 cycles (a full
// match of 22 players), plain and compressed, made from it by numbering its frames on.
#include <benchmark/benchmark.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "gamelog/game_log_reader.h"

namespace {

constexpr int kCycles = 6000;

std::string sampleText() {
    std::string text;
    gzFile in = gzopen((std::string(ZAMO_TEST_DATA_DIR) + "/zamo-selfplay.rcg.gz").c_str(), "rb");
    char buffer[1 << 16];
    int read = 0;
    while (in != nullptr && (read = gzread(in, buffer, sizeof buffer)) > 0) {
        text.append(buffer, static_cast<std::size_t>(read));
    }
    if (in != nullptr) {
        gzclose(in);
    }
    return text;
}

// The sample's header and parameters, then its show lines again and again with cycles 1..6000.
std::string fullMatch() {
    const std::string sample = sampleText();
    std::string head;
    std::vector<std::string> shows;
    std::size_t start = 0;
    while (start < sample.size()) {
        std::size_t end = sample.find('\n', start);
        end = end == std::string::npos ? sample.size() : end;
        const std::string line = sample.substr(start, end - start);
        if (line.starts_with("(show ")) {
            shows.push_back(line.substr(line.find(' ', 6)));
        } else if (!line.starts_with("(playmode") && !line.starts_with("(team") &&
                   !line.starts_with("(msg")) {
            head += line + "\n";
        }
        start = end + 1;
    }
    std::string log = head + "(playmode 1 play_on)\n";
    for (int cycle = 1; cycle <= kCycles && !shows.empty(); ++cycle) {
        log += "(show " + std::to_string(cycle) + shows[(cycle - 1) % shows.size()] + "\n";
    }
    return log;
}

std::filesystem::path writeLog(const std::string& text, bool compressed) {
    const auto path =
        std::filesystem::temp_directory_path() /
        ("zamo_bench_" + std::to_string(::getpid()) + (compressed ? ".rcg.gz" : ".rcg"));
    gzFile out = gzopen(path.c_str(), compressed ? "wb6" : "wbT");
    if (out != nullptr) {
        gzwrite(out, text.data(), static_cast<unsigned>(text.size()));
        gzclose(out);
    }
    return path;
}

void readLog(benchmark::State& state, const std::filesystem::path& path) {
    std::size_t frames = 0;
    for (auto _ : state) {
        std::string error;
        const auto log = zamo::gamelog::readGameLog(path, error);
        if (!log) {
            state.SkipWithError(error.c_str());
            break;
        }
        frames = log->frames.size();
        benchmark::DoNotOptimize(frames);
    }
    state.counters["frames"] = static_cast<double>(frames);
}

void readFullMatch(benchmark::State& state, bool compressed) {
    const auto path = writeLog(fullMatch(), compressed);
    readLog(state, path);
    std::filesystem::remove(path);
}

void BM_ReadSampleLog(benchmark::State& state) {
    readLog(state, std::string(ZAMO_TEST_DATA_DIR) + "/zamo-selfplay.rcg.gz");
}

void BM_ReadPlainLog(benchmark::State& state) {
    readFullMatch(state, false);
}
void BM_ReadCompressedLog(benchmark::State& state) {
    readFullMatch(state, true);
}
BENCHMARK(BM_ReadSampleLog)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadPlainLog)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadCompressedLog)->Unit(benchmark::kMillisecond);

}  // namespace
