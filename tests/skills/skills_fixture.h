#pragma once

#include <gtest/gtest.h>

#include <array>
#include <optional>

#include "agent/config/agent_config.h"
#include "agent/config/server_params.h"
#include "agent/perception/geometry.h"
#include "agent/perception/self_state.h"
#include "agent/perception/world_snapshot.h"
#include "agent/skills/skills.h"

namespace zamo::test {

// A world filled by hand: the agent is teammate number 1 unless a test says otherwise.
class SkillsTest : public ::testing::Test {
  protected:
    static constexpr int kNow = 100;

    SkillsTest() {
        config.uniformNumber = 1;
        self.stamina = params.staminaMax;
        self.effort = 1.0;
        world().time = kNow;
    }

    WorldSnapshot& world() { return history.currentSnapshot(); }

    PlayerRecord& player(PlayerSide side, int number) {
        auto& players = side == PlayerSide::kTeammate ? world().teammates : world().opponents;
        return players[static_cast<std::size_t>(number - 1)];
    }

    // Puts a player at a known place; body and velocity stay unknown unless given.
    PlayerRecord& place(PlayerSide side, int number, Vec2 position,
                        std::optional<double> body = std::nullopt,
                        std::optional<Vec2> velocity = std::nullopt) {
        PlayerRecord& record = player(side, number);
        record.positionTime = kNow;
        record.position = position;
        if (body) {
            record.bodyTime = kNow;
            record.bodyDirection = *body;
        }
        if (velocity) {
            record.velocityTime = kNow;
            record.velocity = *velocity;
        }
        return record;
    }

    PlayerRecord& placeSelf(Vec2 position, std::optional<double> body = 0.0,
                            std::optional<Vec2> velocity = std::nullopt) {
        return place(PlayerSide::kTeammate, config.uniformNumber, position, body, velocity);
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
    Geometry geometry{params, self};
    Skills skills{params, geometry, self, config, history};
};

// Compares points to within rounding.
inline void expectNear(Vec2 actual, Vec2 expected, double tolerance = 1e-9) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
}

}  // namespace zamo::test
