// The composition root: builds one agent's components and hands each the references it needs.
#pragma once

#include "agent/config/agent_config.h"
#include "agent/config/server_params.h"
#include "agent/net/command_formatter.h"
#include "agent/net/server_endpoint.h"
#include "agent/perception/clock.h"
#include "agent/perception/cycle_timer.h"
#include "agent/perception/geometry.h"
#include "agent/perception/localiser.h"
#include "agent/perception/play_mode.h"
#include "agent/perception/self_state.h"
#include "agent/perception/sensor_parser.h"
#include "agent/perception/sensor_store.h"
#include "agent/perception/world_model.h"
#include "agent/perception/world_snapshot.h"
#include "agent/runtime/agent_runtime.h"
#include "agent/runtime/command_sender.h"
#include "agent/skills/look_planner.h"
#include "agent/skills/skills.h"
#include "agent/strategy/behaviours.h"
#include "agent/strategy/dribble.h"
#include "agent/strategy/positioning.h"
#include "agent/strategy/shot_pass_selector.h"
#include "agent/strategy/strategy_set.h"
#include "agent/strategy/think_cycle.h"

namespace zamo {

// One agent's components. Created once per agent; each component gets the references it needs
// here and knows nothing of the context. Members are declared in dependency order: a component
// may refer to those above it.
struct AgentContext {
    ServerParams serverParams;
    AgentConfig config;
    SelfState self;
    Clock clock;
    PlayModeState playMode;
    ServerEndpoint endpoint;
    Geometry geometry{serverParams, self};
    CommandFormatter commandFormatter{endpoint, config, serverParams};
    CommandSender commandSender{commandFormatter, geometry, serverParams, self, clock};
    WorldHistory worldHistory;
    Skills skills{serverParams, geometry, self, config, worldHistory};
    StrategySet strategySet{config};
    Positioning positioning{serverParams, geometry, config, worldHistory, skills};
    ShotPassSelector shotPassSelector{serverParams, geometry, config,
                                      worldHistory, skills,   positioning};
    LookPlanner lookPlanner{serverParams, geometry, self, config, worldHistory, skills};
    SensorParser sensorParser{config, serverParams};
    SensorStore sensorStore;
    CycleTimer cycleTimer{serverParams, self, clock};
    Localiser localiser{serverParams, geometry};
    WorldModel worldModel{serverParams, config,      geometry,    localiser,
                          clock,        playMode,    sensorStore, commandSender.sentHistory(),
                          self,         worldHistory};
    Behaviours behaviours{serverParams, geometry, self, config, worldHistory, skills, sensorStore};
    Dribbler dribbler{serverParams, geometry, self, config, worldHistory, skills, behaviours};
    ThinkCycle thinkCycle{{serverParams, config, geometry, clock, cycleTimer, worldHistory, self,
                           skills, strategySet, positioning, shotPassSelector, lookPlanner,
                           behaviours, dribbler}};
    AgentRuntime runtime{*this};

    AgentContext() = default;
    AgentContext(const AgentContext&) = delete;
    AgentContext& operator=(const AgentContext&) = delete;
};

}  // namespace zamo
