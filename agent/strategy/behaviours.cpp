// The behaviours a decision is built from: intercept, go to a point, kick toward, look, scan.
#include "agent/strategy/behaviours.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "agent/config/agent_config.h"
#include "agent/config/missing_values.h"
#include "agent/config/server_params.h"
#include "agent/perception/geometry.h"
#include "agent/perception/self_state.h"
#include "agent/perception/sensor_store.h"
#include "agent/perception/world_snapshot.h"
#include "agent/skills/skills.h"

namespace zamo {

namespace {

bool isBodyCommand(int kind) {
    return kind >= kCatchCommand && kind <= kTackleCommand;
}

}  // namespace

const WorldSnapshot& Behaviours::world() const {
    return history_.currentSnapshot();
}

const PlayerRecord* Behaviours::ownRecord() const {
    const int number = config_.uniformNumber;
    if (number < 1 || number > kTeamSize) {
        return nullptr;
    }
    return &world().teammates[static_cast<std::size_t>(number - 1)];
}

double Behaviours::viewAngle(int width) const {
    switch (width) {
        case 0:
            return params_.visibleAngle * 0.5;
        case 1:
            return params_.visibleAngle;
        case 2:
            return params_.visibleAngle * 2.0;
        default:
            return kNoValue;
    }
}

bool Behaviours::runsBackwards(const InterceptResult& result) const {
    const PlayerRecord* own = ownRecord();
    if (own == nullptr || !known(own->bodyTime)) {
        return false;
    }
    return std::abs(geometry_.subtractAngles(result.bodyDirection, own->bodyDirection)) > 90.0;
}

double Behaviours::dashPower(const InterceptResult& result, double acceleration) const {
    if (acceleration == kNoValue) {
        return 0.0;
    }
    const double effort = self_.effort > 0.0 ? self_.effort : 1.0;
    const double power = acceleration / skills_.ownType().dashPowerRate / effort;
    // The acceleration runs along the simulated running direction; a run with the back first
    // needs the dash against the body.
    return runsBackwards(result) ? -power : power;
}

bool Behaviours::scanTurn(CommandList& commands, int mark) const {
    const int seeTime = sensors_.lastSee.time;
    if (!known(seeTime) || seeTime != sensors_.lastBody.time) {
        return false;
    }
    const double wanted = viewAngle(self_.wantedViewWidth);
    const double current = viewAngle(self_.viewWidth);
    // A width code that is no width has no cone to sweep by.
    if (wanted == kNoValue || current == kNoValue) {
        return false;
    }
    const double angle = (wanted + current) / 2.0;
    if (std::abs(angle) < 0.5) {
        return false;
    }
    return commands.append({kTurnCommand, mark, angle, 0.0});
}

bool Behaviours::interceptBall(CommandList& commands, const InterceptResult& result,
                               int mark) const {
    if (result.turnCycles < 1) {
        const double power =
            dashPower(result, skills_.approachDash(result, true, false, 0.22, false, 0.2));
        if (std::abs(power) > 0.0) {
            return commands.append({kDashCommand, mark, power, 0.0});
        }
        return false;
    }
    if (std::abs(result.targetRelativeDirection) >= 0.5) {
        return commands.append({kTurnCommand, mark, result.targetRelativeDirection, 0.0});
    }
    return false;
}

bool Behaviours::goToPoint(CommandList& commands, Vec2 target, double dashShare, int backwardsCap,
                           int mark) const {
    const int number = config_.uniformNumber;
    if (number < 1 || number > kTeamSize) {
        return false;
    }
    auto problem = skills_.buildReachProblem(PlayerSide::kTeammate, number - 1, target);
    if (!problem) {
        return false;
    }
    problem->dashAccel *= dashShare;
    problem->backwards = false;
    problem->cycleCap = kUnreachableCycles;
    auto result = skills_.simulateReach(*problem);
    if (!result) {
        return false;
    }
    if (result->turnCycles >= 1) {
        if (backwardsCap != 0) {
            problem->backwards = true;
            problem->cycleCap = std::min(backwardsCap, result->cycles());
            if (auto backwards = skills_.simulateReach(*problem)) {
                result = backwards;
            }
        }
        if (result->turnCycles >= 1) {
            if (std::abs(result->targetRelativeDirection) >= 0.5) {
                return commands.append({kTurnCommand, mark, result->targetRelativeDirection, 0.0});
            }
            return false;
        }
    }
    const double power =
        dashPower(*result, skills_.approachDash(*result, true, false, 0.0, true, 0.0));
    if (std::abs(power) > 0.0) {
        return commands.append({kDashCommand, mark, power, 0.0});
    }
    return false;
}

ServerCommand Behaviours::kickToward(double distance, double direction, int cycles,
                                     int mark) const {
    ServerCommand kick{kNoCommand, mark, 0.0, 0.0};
    const PlayerRecord* own = ownRecord();
    const WorldSnapshot& snapshot = world();
    if (own == nullptr || !known(own->bodyTime) || !known(own->positionTime) ||
        !known(snapshot.ballPositionTime)) {
        return kick;
    }
    const double factor = skills_.effectiveKickFactor();
    // Out of the kickable area the factor drops to 0 or below: no kick moves the ball.
    if (factor == kNoValue || !(factor > 0.0)) {
        return kick;
    }
    const double rate = factor * skills_.ownType().kickPowerRate;
    double speed = skills_.ballFirstSpeed(distance, std::max(cycles, 1));
    double heading = direction;
    if (known(snapshot.ballVelocityTime)) {
        const Vec2 wanted{speed * std::cos(heading * kDegToRad),
                          speed * std::sin(heading * kDegToRad)};
        const Vec2 needed = wanted - snapshot.ballVelocity;
        speed = length(needed);
        heading = geometry_.directionOf(needed);
    }
    kick.kind = kKickCommand;
    kick.firstValue = speed / rate;
    kick.secondValue = geometry_.subtractAngles(heading, own->bodyDirection);
    return kick;
}

void Behaviours::lookToward(CommandList& commands, double lookDirection, int mark) const {
    const PlayerRecord* own = ownRecord();
    if (own == nullptr || !known(own->bodyTime)) {
        return;
    }
    const bool velocityKnown = known(own->velocityTime);
    const double speed = velocityKnown ? length(own->velocity) : 0.0;
    const double inertia = skills_.ownType().inertiaMoment;
    const int count = std::clamp(commands.count, 0, static_cast<int>(commands.entries.size()));
    double neckTurn = 0.0;
    // Each pass either settles the neck turn or cancels one body command; so at most one pass
    // per entry plus the last.
    for (int pass = 0; pass <= count; ++pass) {
        double body = own->bodyDirection;
        for (int i = 0; i < count; ++i) {
            const ServerCommand& entry = commands.entries[static_cast<std::size_t>(i)];
            if (entry.kind == kTurnCommand) {
                const double turned =
                    velocityKnown ? entry.firstValue / (speed * inertia + 1.0) : entry.firstValue;
                body = geometry_.addAngles(body, turned);
                break;
            }
        }
        const double relative = geometry_.subtractAngles(lookDirection, body);
        ServerCommand* bodyCommand = nullptr;
        for (int i = 0; i < count; ++i) {
            ServerCommand& entry = commands.entries[static_cast<std::size_t>(i)];
            if (isBodyCommand(entry.kind)) {
                bodyCommand = &entry;
                break;
            }
        }
        if (bodyCommand == nullptr) {
            double bodyTurn = 0.0;
            double turn = 0.0;
            if (relative < params_.minNeckAngle || relative > params_.maxNeckAngle) {
                turn = relative;
                bodyTurn = velocityKnown ? geometry_.clampTurnForSpeed(relative, speed) : relative;
            }
            if (std::abs(turn) >= 0.5) {
                commands.append({kTurnCommand, mark, turn, 0.0});
            }
            neckTurn = geometry_.subtractAngles(lookDirection, body + bodyTurn) - self_.neckAngle;
            break;
        }
        if (bodyCommand->essential != kLookMayCancel) {
            neckTurn = relative - self_.neckAngle;
            break;
        }
        bodyCommand->kind = kNoCommand;
    }
    if (skills_.neckTurnUseful(neckTurn)) {
        commands.append({kTurnNeckCommand, mark, neckTurn, 0.0});
    }
}

}  // namespace zamo
