#include <benchmark/benchmark.h>

#include <cmath>

#include "agent/config/agent_config.h"
#include "agent/config/server_params.h"
#include "agent/perception/geometry.h"
#include "agent/perception/self_state.h"
#include "agent/perception/world_snapshot.h"
#include "agent/skills/skills.h"

namespace {

using namespace zamo;

// A mid-game world: both teams spread over the field, every player known, the ball rolling
// across midfield.
struct Match {
    ServerParams params;
    SelfState self;
    AgentConfig config;
    WorldHistory history;
    Geometry geometry{params, self};
    Skills skills{params, geometry, self, config, history};

    Match() {
        config.uniformNumber = 7;
        self.stamina = params.staminaMax;
        self.effort = 1.0;
        WorldSnapshot& world = history.currentSnapshot();
        world.time = 500;
        world.ballPositionTime = 500;
        world.ballPosition = {3.0, -4.0};
        world.ballVelocityTime = 500;
        world.ballVelocity = {1.2, 0.7};
        for (int i = 0; i < kTeamSize; ++i) {
            const double spread = static_cast<double>(i);
            fill(world.teammates[static_cast<std::size_t>(i)],
                 {-45.0 + 9.0 * spread, -30.0 + std::fmod(17.0 * spread, 60.0)},
                 37.0 * spread - 180.0);
            fill(world.opponents[static_cast<std::size_t>(i)],
                 {45.0 - 9.0 * spread, 28.0 - std::fmod(23.0 * spread, 56.0)},
                 53.0 * spread - 170.0);
        }
    }

    static void fill(PlayerRecord& record, Vec2 position, double body) {
        record.positionTime = 500;
        record.position = position;
        record.bodyTime = 500;
        record.bodyDirection = body;
        record.velocityTime = 500;
        record.velocity = {0.2 * std::cos(body * kDegToRad), 0.2 * std::sin(body * kDegToRad)};
    }
};

void fastestOpponent(benchmark::State& state) {
    const Match match;
    for (auto _ : state) {
        FastestPlayer fastest = match.skills.fastestOpponent(0.6, 5);
        benchmark::DoNotOptimize(fastest);
    }
}
BENCHMARK(fastestOpponent)->Unit(benchmark::kMicrosecond);

void ownInterceptRank(benchmark::State& state) {
    const Match match;
    InterceptResult result;
    for (auto _ : state) {
        int rank = match.skills.ownInterceptRank(result, 0.6, 5);
        benchmark::DoNotOptimize(rank);
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(ownInterceptRank)->Unit(benchmark::kMicrosecond);

}  // namespace
