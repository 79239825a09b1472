#include <benchmark/benchmark.h>

#include <fstream>
#include <memory>
#include <string>

#include "agent/perception/sensor_parser.h"
#include "agent/runtime/agent_context.h"

namespace {

// The recorded server text of the given line of a session file (tab-separated: time, direction,
// text).
std::string recordedText(const std::string& file, int lineNumber) {
    std::ifstream in(std::string(ZAMO_TEST_DATA_DIR) + "/" + file);
    std::string line;
    for (int i = 0; i < lineNumber && std::getline(in, line); ++i) {
    }
    const std::size_t tab = line.find('\t', line.find('\t') + 1);
    return tab == std::string::npos ? std::string() : line.substr(tab + 1);
}

// One cycle of the world update with a full visual message of the real server: 42 objects,
// among them the ball and six players, localised from the right line and 35 flags.
void BM_UpdateWorldFullSee(benchmark::State& state) {
    auto ctx = std::make_unique<zamo::AgentContext>();
    ctx->config.uniformNumber = 3;
    ctx->config.side = 1;
    ctx->config.teamName = "TestTeam";
    ctx->config.quotedTeamName = "\"TestTeam\"";
    zamo::SensorParser parser(ctx->config, ctx->serverParams);
    const std::string body = recordedText("v9-goalie-session.tsv", 510);
    const std::string see = recordedText("v9-goalie-session.tsv", 511);
    if (!parser.parseSenseBody(body, ctx->sensorStore.lastBody) ||
        !parser.parseSee(see, ctx->sensorStore.lastSee) || ctx->sensorStore.lastSee.count != 42) {
        state.SkipWithError("recorded messages missing or not parsed");
        return;
    }
    ctx->worldModel.resetWorld();
    int cycle = 165;
    for (auto _ : state) {
        ++cycle;
        ctx->clock.cycle = cycle;
        ctx->sensorStore.lastBody.time = cycle;
        ctx->sensorStore.lastSee.time = cycle;
        ctx->worldModel.updateWorld();
        benchmark::DoNotOptimize(ctx->worldModel.currentSnapshot().ballPosition);
    }
    if (ctx->worldModel.currentSnapshot().teammates[2].positionTime != cycle) {
        state.SkipWithError("the agent was not localised");
    }
}
BENCHMARK(BM_UpdateWorldFullSee)->Repetitions(9)->ReportAggregatesOnly(true);

}  // namespace
