// Time of parsing the largest see message of the recorded server sessions, and of the typical
// body sense and hear messages.
#include <benchmark/benchmark.h>

#include <fstream>
#include <memory>
#include <string>

#include "agent/config/agent_config.h"
#include "agent/config/server_params.h"
#include "agent/perception/sensor_parser.h"

namespace {

// The longest message of the recordings that starts with prefix.
std::string longestRecorded(const std::string& prefix) {
    std::string longest;
    for (const char* file : {"v7-player-session.tsv", "v9-player-session.tsv",
                             "v9-goalie-session.tsv", "v9-say-kick-tackle-session.tsv",
                             "v9-left-known-position.tsv", "v9-right-known-position.tsv"}) {
        std::ifstream in(std::string(ZAMO_TEST_DATA_DIR) + "/" + file);
        std::string line;
        while (std::getline(in, line)) {
            const std::size_t at = line.find("\trecv\t" + prefix);
            if (at != std::string::npos && line.size() - at - 6 > longest.size()) {
                longest = line.substr(at + 6);
            }
        }
    }
    return longest;
}

void parseRecorded(benchmark::State& state, const std::string& prefix) {
    const std::string text = longestRecorded(prefix);
    if (text.empty()) {
        state.SkipWithError("no recorded message");
        return;
    }
    zamo::AgentConfig config;
    config.quotedTeamName = "\"TestTeam\"";
    config.opponentTeamName = "Other";
    zamo::ServerParams params;
    zamo::SensorParser parser(config, params);
    auto message = std::make_unique<zamo::SensorMessage>();
    for (auto _ : state) {
        const bool parsed = parser.parseMessage(text, *message);
        benchmark::DoNotOptimize(parsed);
        benchmark::ClobberMemory();
    }
    state.SetLabel(std::to_string(text.size()) + " bytes");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void BM_ParseLargestSee(benchmark::State& state) {
    parseRecorded(state, "(see ");
}
void BM_ParseSenseBody(benchmark::State& state) {
    parseRecorded(state, "(sense_body ");
}
void BM_ParseHear(benchmark::State& state) {
    parseRecorded(state, "(hear ");
}

BENCHMARK(BM_ParseLargestSee);
BENCHMARK(BM_ParseSenseBody);
BENCHMARK(BM_ParseHear);

}  // namespace
