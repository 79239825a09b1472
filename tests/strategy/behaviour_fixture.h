#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <optional>

#include "agent/config/agent_config.h"
#include "agent/config/server_params.h"
#include "agent/perception/geometry.h"
#include "agent/perception/self_state.h"
#include "agent/perception/sensor_store.h"
#include "agent/perception/server_command.h"
#include "agent/perception/world_snapshot.h"
#include "agent/skills/skills.h"
#include "agent/strategy/behaviours.h"
#include "agent/strategy/dribble.h"

namespace zamo::test {

// A hand-filled world for the behaviours and the dribble: the agent is teammate number 7.
class BehaviourTest : public ::testing::Test {
  protected:
    static constexpr int kNow = 300;
    static constexpr int kOwnNumber = 7;

    BehaviourTest() {
        config.uniformNumber = kOwnNumber;
        self.stamina = params.staminaMax;
        self.effort = 1.0;
        self.recovery = 1.0;
        world().time = kNow;
    }

    WorldSnapshot& world() { return history.currentSnapshot(); }

    PlayerRecord& placeSelf(Vec2 position, double body,
                            std::optional<Vec2> velocity = std::nullopt) {
        PlayerRecord& own = world().teammates[kOwnNumber - 1];
        own.positionTime = kNow;
        own.position = position;
        own.bodyTime = kNow;
        own.bodyDirection = body;
        own.staminaTime = kNow;
        own.stamina = params.staminaMax;
        if (velocity) {
            own.velocityTime = kNow;
            own.velocity = *velocity;
        }
        return own;
    }

    PlayerRecord& placeOpponent(int number, Vec2 position, double body, Vec2 velocity = {}) {
        PlayerRecord& record = world().opponents[static_cast<std::size_t>(number - 1)];
        record.positionTime = kNow;
        record.position = position;
        record.bodyTime = kNow;
        record.bodyDirection = body;
        record.velocityTime = kNow;
        record.velocity = velocity;
        return record;
    }

    void placeBall(Vec2 position, std::optional<Vec2> velocity = std::nullopt) {
        world().ballPositionTime = kNow;
        world().ballPosition = position;
        if (velocity) {
            world().ballVelocityTime = kNow;
            world().ballVelocity = *velocity;
        }
    }

    ServerParams params;
    SelfState self;
    AgentConfig config;
    WorldHistory history;
    SensorStore sensors;
    Geometry geometry{params, self};
    Skills skills{params, geometry, self, config, history};
    Behaviours behaviours{params, geometry, self, config, history, skills, sensors};
    Dribbler dribbler{params, geometry, self, config, history, skills, behaviours};
    CommandList commands;
};

}  // namespace zamo::test
