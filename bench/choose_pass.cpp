// Pass choice in a crowded midfield: ten teammates and eleven opponents known, the own player
// with the ball on the centre spot.
#include <benchmark/benchmark.h>

#include "agent/config/agent_config.h"
#include "agent/config/server_params.h"
#include "agent/perception/geometry.h"
#include "agent/perception/self_state.h"
#include "agent/perception/world_snapshot.h"
#include "agent/skills/skills.h"
#include "agent/strategy/positioning.h"
#include "agent/strategy/shot_pass_selector.h"

namespace {

using zamo::Vec2;

constexpr int kNow = 500;

void place(zamo::PlayerRecord& record, Vec2 position, bool goalie = false) {
    record.positionTime = kNow;
    record.position = position;
    record.goalieTime = kNow;
    record.goalie = goalie ? 1 : 0;
}

struct CrowdedMidfield {
    CrowdedMidfield() {
        config.uniformNumber = 7;
        self.stamina = params.staminaMax;
        self.effort = 1.0;
        zamo::WorldSnapshot& w = history.currentSnapshot();
        w.time = kNow;
        w.ballPositionTime = kNow;
        w.ballPosition = {0.5, 0.0};
        const Vec2 mates[] = {{-48, 0}, {-25, -20}, {-28, -6}, {-28, 6}, {-25, 20}, {-8, -15},
                              {0, 0},   {-8, 15},   {15, -18}, {18, 2},  {14, 20}};
        const Vec2 opponents[] = {{48, 0}, {30, -15}, {32, -5},  {32, 5}, {30, 15}, {10, -10},
                                  {12, 0}, {10, 10},  {-5, -20}, {-3, 3}, {-5, 20}};
        for (int i = 0; i < zamo::kTeamSize; ++i) {
            place(w.teammates[static_cast<std::size_t>(i)], mates[i], i == 0);
            place(w.opponents[static_cast<std::size_t>(i)], opponents[i], i == 0);
        }
        w.teammates[6].bodyTime = kNow;
        w.teammates[6].bodyDirection = 0.0;
    }

    zamo::ServerParams params;
    zamo::SelfState self;
    zamo::AgentConfig config;
    zamo::WorldHistory history;
    zamo::Geometry geometry{params, self};
    zamo::Skills skills{params, geometry, self, config, history};
    zamo::Positioning positioning{params, geometry, config, history, skills};
    zamo::ShotPassSelector selector{params, geometry, config, history, skills, positioning};
};

void BM_ChoosePassCrowdedMidfield(benchmark::State& state) {
    CrowdedMidfield field;
    bool found = false;
    for (auto _ : state) {
        const auto pass = field.selector.choosePass(false);
        found = pass.has_value();
        benchmark::DoNotOptimize(pass);
    }
    state.counters["found"] = found ? 1 : 0;
}
BENCHMARK(BM_ChoosePassCrowdedMidfield)->Unit(benchmark::kMicrosecond);

}  // namespace
