#pragma once

#include "agent/config/agent_config.h"
#include "agent/config/server_params.h"
#include "agent/net/command_formatter.h"
#include "agent/net/server_endpoint.h"
#include "agent/perception/geometry.h"
#include "agent/perception/play_mode.h"
#include "agent/perception/self_state.h"
#include "agent/perception/world_snapshot.h"
#include "agent/runtime/clock.h"
#include "agent/runtime/command_sender.h"
#include "agent/skills/skills.h"

namespace zamo {

// One agent's components. Created once per agent; components reach each other through it.
// Members are declared in dependency order: a component may refer to those above it.
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

    AgentContext() = default;
    AgentContext(const AgentContext&) = delete;
    AgentContext& operator=(const AgentContext&) = delete;
};

}  // namespace zamo
