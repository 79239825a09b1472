#include "agent/skills/skills.h"

#include <algorithm>
#include <cmath>

#include "agent/config/agent_config.h"
#include "agent/config/server_params.h"
#include "agent/perception/geometry.h"
#include "agent/perception/self_state.h"
#include "agent/perception/world_snapshot.h"
#include "agent/skills/skills_support.h"

namespace zamo {

const WorldSnapshot& Skills::world() const {
    return history_.currentSnapshot();
}

const PlayerRecord* Skills::ownRecord() const {
    const int number = config_.uniformNumber;
    if (number < 1 || number > kTeamSize) {
        return nullptr;
    }
    return &world().teammates[static_cast<std::size_t>(number - 1)];
}

double Skills::kickReach() const {
    return params_.playerSize + params_.kickableMargin + params_.ballSize;
}

double Skills::playerReach(const PlayerRecord& record) const {
    return isGoalie(record) ? params_.catchableAreaL : kickReach();
}

Vec2 Skills::predictedPlayer(const PlayerRecord& record) const {
    return known(record.velocityTime) ? record.position + record.velocity : record.position;
}

double Skills::maxTurnAngle(double speed) const {
    // A speed is a magnitude; a negative one would shrink or flip the divisor.
    return params_.maxMoment / (1.0 + params_.inertiaMoment * std::max(speed, 0.0));
}

double Skills::minTurnAngle(double speed) const {
    return params_.minMoment / (1.0 + params_.inertiaMoment * std::max(speed, 0.0));
}

double Skills::usableStamina(double stamina) const {
    return stamina - params_.staminaMax * params_.recoverDecThr - 1.0;
}

double Skills::maxDashAccel(double stamina, double effort, double sign) const {
    const bool forwards = sign >= 0.0;
    const double power =
        geometry_.clampPower(params_.playerSpeedMax * sign / params_.dashPowerRate / effort);
    // A backward dash costs twice its magnitude.
    const double wantedCost = forwards ? power : -2.0 * power;
    // At or below the recovery threshold there is nothing to pay with: the dash shrinks towards
    // 0 instead of turning into one of the opposite sense.
    const double cost = std::clamp(wantedCost, 0.0, std::max(0.0, usableStamina(stamina)));
    const double scale = effort * params_.dashPowerRate;
    return forwards ? scale * cost : scale * (-0.5 * cost);
}

double Skills::dashDistance(double accel, double stamina, int cycles) const {
    const double wanted = accel / params_.dashPowerRate;
    double speed = 0.0;
    double covered = 0.0;
    for (int i = 0; i < cycles; ++i) {
        const double paid = std::min(std::abs(wanted), std::max(0.0, usableStamina(stamina)));
        speed += std::copysign(paid, wanted) * params_.dashPowerRate;
        covered += speed;
        speed *= params_.playerDecay;
        stamina = geometry_.clampStamina(stamina - paid + params_.staminaIncMax);
    }
    return covered;
}

double Skills::dashDistanceFromRest(double accel, int cycles) const {
    double sum = 0.0;
    double decay = 1.0;
    for (int i = 0; i <= cycles; ++i) {
        sum += (cycles - i) * decay;
        decay *= params_.playerDecay;
    }
    return accel * sum;
}

int Skills::cyclesToCover(double distance, double reach, double accel) const {
    if (distance <= reach) {
        return 0;
    }
    if (!(accel > 0.0)) {
        return kUnreachableCycles;
    }
    double speed = 0.0;
    double covered = 0.0;
    for (int cycles = 1; cycles < kUnreachableCycles; ++cycles) {
        speed += accel;
        covered += speed;
        speed *= params_.playerDecay;
        if (reach + covered >= distance) {
            return cycles;
        }
    }
    return kUnreachableCycles;
}

double Skills::ballFirstSpeed(double distance, int cycles) const {
    if (cycles < 1) {
        return distance;
    }
    return distance * (1.0 - params_.ballDecay) / (1.0 - std::pow(params_.ballDecay, cycles));
}

int Skills::ballCyclesToTravel(double distance, double firstSpeed) const {
    if (!(distance > 0.0)) {
        return 0;
    }
    int cycles = 0;
    double travelled = 0.0;
    double speed = firstSpeed;
    while (speed >= 0.1 && cycles < kUnreachableCycles) {
        travelled += speed;
        speed *= params_.ballDecay;
        ++cycles;
        if (travelled >= distance) {
            break;
        }
    }
    return cycles;
}

double Skills::facingTolerance(double distance, double reach, double extra) const {
    // atan2 keeps a zero distance finite: the target then counts as straight ahead.
    return extra + std::max(std::atan2(reach, distance) * kRadToDeg, 5.0);
}

bool Skills::facingWithin(double body, double target, double distance, double reach, double extra,
                          bool allowBackwards) const {
    const double gap = std::abs(geometry_.subtractAngles(target, body));
    const double tolerance = facingTolerance(distance, reach, extra);
    return gap <= tolerance || (allowBackwards && gap >= 180.0 - tolerance);
}

int Skills::turnCyclesToFace(double body, double target, double distance, double speed,
                             double reach, double extra) const {
    const double gap = geometry_.subtractAngles(target, body);
    const double tolerance = facingTolerance(distance, reach, extra);
    int cycles = 0;
    double turned = 0.0;
    if (gap > tolerance) {
        while (gap > turned + tolerance && cycles < kUnreachableCycles) {
            turned += maxTurnAngle(speed);
            speed *= params_.playerDecay;
            ++cycles;
        }
    } else if (gap < -tolerance) {
        while (turned - tolerance > gap && cycles < kUnreachableCycles) {
            turned += minTurnAngle(speed);
            speed *= params_.playerDecay;
            ++cycles;
        }
    }
    return cycles;
}

double Skills::tackleFailProbability(Vec2 player, Vec2 ball, double body) const {
    const Vec2 rotated = rotateAbout(player, ball, -body);
    const double reach = rotated.x > player.x ? params_.tackleDist : params_.tackleBackDist;
    const double dx = std::abs(rotated.x - player.x);
    const double dy = std::abs(rotated.y - player.y);
    return std::pow(dy / params_.tackleWidth, params_.tackleExponent) +
           std::pow(dx / reach, params_.tackleExponent);
}

double Skills::kickFactor(Vec2 own, double body, Vec2 ball) const {
    const double angle = geometry_.subtractAngles(geometry_.directionTo(own, ball), body);
    const double gap = distance(own, ball) - params_.playerSize - params_.ballSize;
    return 1.0 - 0.25 * std::abs(angle) / 180.0 - 0.25 * gap / params_.kickableMargin;
}

double Skills::effectiveKickFactor() const {
    const PlayerRecord* own = ownRecord();
    const WorldSnapshot& snapshot = world();
    if (own == nullptr || !known(own->positionTime) || !known(own->bodyTime) ||
        !known(snapshot.ballPositionTime)) {
        return kNoValue;
    }
    return kickFactor(own->position, own->bodyDirection, snapshot.ballPosition);
}

void Skills::updateKickRate() {
    const double factor = effectiveKickFactor();
    self_.kickRate =
        factor == kNoValue ? kNoValue : factor * params_.kickPowerRate * params_.maxPower;
}

bool Skills::neckTurnUseful(double x) const {
    if (self_.neckAngle == params_.maxNeckAngle && x > 0.0) {
        return false;
    }
    if (self_.neckAngle == params_.minNeckAngle && x < 0.0) {
        return false;
    }
    return std::abs(x) >= 0.5;
}

std::optional<Vec2> Skills::selfPredictionStart() const {
    const PlayerRecord* own = ownRecord();
    if (own == nullptr || !known(own->positionTime) || !known(own->bodyTime)) {
        return std::nullopt;
    }
    return predictedPlayer(*own);
}

Vec2 Skills::applyToSelfPrediction(Vec2 predicted, int kind, double first, double second) const {
    const PlayerRecord& own = *ownRecord();
    switch (kind) {
        case kCatchCommand:
            return own.position;
        case kDashCommand:
            return predicted +
                   polar(params_.dashPowerRate * self_.effort * first, own.bodyDirection);
        case kMoveCommand:
            return {first, second};
        default:
            return predicted;
    }
}

std::optional<Vec2> Skills::ballPredictionStart(Vec2& velocity) const {
    const WorldSnapshot& snapshot = world();
    if (!known(snapshot.ballPositionTime)) {
        return std::nullopt;
    }
    velocity = known(snapshot.ballVelocityTime) ? snapshot.ballVelocity : Vec2{};
    const int ownIndex = config_.uniformNumber - 1;
    const double reach = kickReach();
    for (int i = 0; i < kTeamSize; ++i) {
        const auto index = static_cast<std::size_t>(i);
        const PlayerRecord& mate = snapshot.teammates[index];
        const PlayerRecord& opponent = snapshot.opponents[index];
        // A player next to the ball is taken to stop it.
        if ((i != ownIndex && known(mate.positionTime) &&
             distance(mate.position, snapshot.ballPosition) <= reach) ||
            (known(opponent.positionTime) &&
             distance(opponent.position, snapshot.ballPosition) <= reach)) {
            velocity = {};
            break;
        }
    }
    return snapshot.ballPosition;
}

bool Skills::applyToBallPrediction(Vec2& predicted, Vec2& velocity, int kind, double first,
                                   double second) const {
    const WorldSnapshot& snapshot = world();
    const PlayerRecord* own = ownRecord();
    const bool ownPlace = own != nullptr && known(own->positionTime) && known(own->bodyTime);
    const bool ownBody = own != nullptr && known(own->bodyTime);
    Vec2 accel;
    switch (kind) {
        case kKickCommand:
            if (!ownPlace) {
                return false;
            }
            accel = polar(kickFactor(own->position, own->bodyDirection, snapshot.ballPosition) *
                              first * params_.kickPowerRate,
                          geometry_.addAngles(own->bodyDirection, second));
            break;
        case kTackleCommand:
            if (!ownBody) {
                return false;
            }
            accel = polar(params_.tacklePowerRate * first, own->bodyDirection);
            break;
        case kCatchCommand:
            if (!ownPlace) {
                return false;
            }
            // The caught ball sits just in front of the goalie.
            predicted =
                own->position + polar(params_.playerSize + params_.ballSize, own->bodyDirection);
            return true;
        default:
            return false;
    }
    velocity += accel;
    const double speed = length(velocity);
    if (speed > params_.ballSpeedMax) {
        velocity = velocity * (params_.ballSpeedMax / speed);
    }
    predicted += velocity;
    return true;
}

Vec2 Skills::predictSelfPosition(const CommandList& commands) const {
    std::optional<Vec2> predicted = selfPredictionStart();
    if (!predicted) {
        return {kNoValue, kNoValue};
    }
    for (int i = 0; i < commands.count && i < static_cast<int>(commands.entries.size()); ++i) {
        const auto& command = commands.entries[static_cast<std::size_t>(i)];
        *predicted = applyToSelfPrediction(*predicted, command.kind, command.firstValue,
                                           command.secondValue);
    }
    return *predicted;
}

Vec2 Skills::predictBallPosition(const CommandList& commands) const {
    Vec2 velocity;
    std::optional<Vec2> predicted = ballPredictionStart(velocity);
    if (!predicted) {
        return {kNoValue, kNoValue};
    }
    bool touched = false;
    for (int i = 0; i < commands.count && i < static_cast<int>(commands.entries.size()); ++i) {
        const auto& command = commands.entries[static_cast<std::size_t>(i)];
        touched = applyToBallPrediction(*predicted, velocity, command.kind, command.firstValue,
                                        command.secondValue) ||
                  touched;
    }
    // Untouched, the ball still rolls on by its own velocity in the coming cycle.
    return touched ? *predicted : *predicted + velocity;
}

}  // namespace zamo
