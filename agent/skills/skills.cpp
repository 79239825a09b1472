// The physics model and the computations behaviours are built from.
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

namespace {

// A tackle reach this short never gets the ball, as the server has it.
constexpr double kNoTackleReach = 1e-5;

}  // namespace

const PlayerType& Skills::ownType() const {
    return params_.playerType(self_.type);
}

const PlayerType& Skills::typeOf(const PlayerRecord& record) const {
    return params_.playerType(record.type);
}

double Skills::ownKickReach() const {
    return params_.kickableArea(ownType());
}

double Skills::playerReach(const PlayerRecord& record) const {
    const PlayerType& type = typeOf(record);
    return isGoalie(record) ? params_.catchableLength(type) : params_.kickableArea(type);
}

double Skills::dashAccel(const PlayerRecord& record, double share) const {
    const PlayerType& type = typeOf(record);
    const double effort =
        known(record.effortTime) && record.effort > 0.0 ? record.effort : type.effortMax;
    return share * params_.fullDashAccel(type, effort);
}

double Skills::ownDashAccel(double share) const {
    const PlayerType& type = ownType();
    return share * params_.fullDashAccel(type, self_.effort > 0.0 ? self_.effort : type.effortMax);
}

double Skills::shotSpeed() const {
    // Shots are kicked with the ball about a body radius off the body, straight ahead.
    const PlayerType& type = ownType();
    const double factor = 1.0 - 0.25 * type.playerSize / type.kickableMargin;
    return std::min({type.kickPowerRate * params_.maxPower * factor, params_.ballAccelMax,
                     params_.ballSpeedMax});
}

double Skills::strongestKickSpeed(double direction) const {
    const double factor = effectiveKickFactor();
    if (factor == kNoValue) {
        return 0.0;
    }
    const double accel =
        std::min(factor * ownType().kickPowerRate * params_.maxPower, params_.ballAccelMax);
    const WorldSnapshot& snapshot = world();
    const Vec2 velocity = known(snapshot.ballVelocityTime) ? snapshot.ballVelocity : Vec2{};
    const double c = std::cos(direction * kDegToRad);
    const double s = std::sin(direction * kDegToRad);
    const double along = velocity.x * c + velocity.y * s;
    const double across = velocity.y * c - velocity.x * s;
    // Part of the kick cancels the motion across the line; the rest speeds the ball along it.
    if (std::abs(across) > accel) {
        return 0.0;
    }
    const double speed = along + std::sqrt(accel * accel - across * across);
    return std::clamp(speed, 0.0, params_.ballSpeedMax);
}

double Skills::weakKickPower() const {
    return kStoppedBallSpeed / ownType().kickPowerRate;
}

Vec2 Skills::predictedPlayer(const PlayerRecord& record) const {
    return known(record.velocityTime) ? record.position + record.velocity : record.position;
}

double Skills::maxTurnAngle(double speed, const PlayerType& type) const {
    // A speed is a magnitude; a negative one would shrink or flip the divisor.
    return params_.maxMoment / (1.0 + type.inertiaMoment * std::max(speed, 0.0));
}

double Skills::minTurnAngle(double speed, const PlayerType& type) const {
    return params_.minMoment / (1.0 + type.inertiaMoment * std::max(speed, 0.0));
}

double Skills::usableStamina(double stamina) const {
    return stamina - params_.staminaMax * params_.recoverDecThr - 1.0;
}

double Skills::maxDashAccel(double stamina, double effort, double sign) const {
    const PlayerType& type = ownType();
    const bool forwards = sign >= 0.0;
    const double power =
        geometry_.clampPower(type.playerSpeedMax * sign / type.dashPowerRate / effort);
    // A backward dash costs twice its magnitude.
    const double wantedCost = forwards ? power : -2.0 * power;
    // At or below the recovery threshold there is nothing to pay with: the dash shrinks towards
    // 0 instead of turning into one of the opposite sense.
    const double cost = std::clamp(wantedCost, 0.0, std::max(0.0, usableStamina(stamina)));
    const double scale = effort * type.dashPowerRate;
    return forwards ? scale * cost : scale * (-0.5 * cost);
}

double Skills::dashDistance(double accel, double stamina, int cycles) const {
    const PlayerType& type = ownType();
    const double rate = type.dashPowerRate * (self_.effort > 0.0 ? self_.effort : type.effortMax);
    const double wanted = accel / rate;
    double speed = 0.0;
    double covered = 0.0;
    for (int i = 0; i < cycles; ++i) {
        const double paid = std::min(std::abs(wanted), std::max(0.0, usableStamina(stamina)));
        speed += std::copysign(paid, wanted) * rate;
        covered += speed;
        speed *= type.playerDecay;
        stamina = geometry_.clampStamina(stamina - paid + type.staminaIncMax);
    }
    return covered;
}

double Skills::dashDistanceFromRest(double accel, int cycles, const PlayerType& type) const {
    double sum = 0.0;
    double decay = 1.0;
    for (int i = 0; i <= cycles; ++i) {
        sum += (cycles - i) * decay;
        decay *= type.playerDecay;
    }
    return accel * sum;
}

int Skills::cyclesToCover(double distance, double reach, double accel,
                          const PlayerType& type) const {
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
        speed *= type.playerDecay;
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
    while (speed >= kStoppedBallSpeed && cycles < kUnreachableCycles) {
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
                             double reach, double extra, const PlayerType& type) const {
    const double gap = geometry_.subtractAngles(target, body);
    const double tolerance = facingTolerance(distance, reach, extra);
    int cycles = 0;
    double turned = 0.0;
    if (gap > tolerance) {
        while (gap > turned + tolerance && cycles < kUnreachableCycles) {
            turned += maxTurnAngle(speed, type);
            speed *= type.playerDecay;
            ++cycles;
        }
    } else if (gap < -tolerance) {
        while (turned - tolerance > gap && cycles < kUnreachableCycles) {
            turned += minTurnAngle(speed, type);
            speed *= type.playerDecay;
            ++cycles;
        }
    }
    return cycles;
}

double Skills::tackleFailProbability(Vec2 player, Vec2 ball, double body) const {
    const Vec2 rotated = rotateAbout(player, ball, -body);
    const double reach = rotated.x > player.x ? params_.tackleDist : params_.tackleBackDist;
    if (reach <= kNoTackleReach) {
        return 1.0;
    }
    const double dx = std::abs(rotated.x - player.x);
    const double dy = std::abs(rotated.y - player.y);
    return std::pow(dy / params_.tackleWidth, params_.tackleExponent) +
           std::pow(dx / reach, params_.tackleExponent);
}

double Skills::kickFactor(Vec2 own, double body, Vec2 ball) const {
    const PlayerType& type = ownType();
    const double angle = geometry_.subtractAngles(geometry_.directionTo(own, ball), body);
    const double gap = distance(own, ball) - params_.bodyAndBall(type);
    return 1.0 - 0.25 * std::abs(angle) / 180.0 - 0.25 * gap / type.kickableMargin;
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
        factor == kNoValue ? kNoValue : factor * ownType().kickPowerRate * params_.maxPower;
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
                   polar(ownType().dashPowerRate * self_.effort * first, own.bodyDirection);
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
    // A player next to the ball is taken to stop it.
    velocity =
        known(snapshot.ballVelocityTime) && !ballTouchedByOther() ? snapshot.ballVelocity : Vec2{};
    return snapshot.ballPosition;
}

bool Skills::ballTouchedByOther() const {
    const WorldSnapshot& snapshot = world();
    if (!known(snapshot.ballPositionTime)) {
        return false;
    }
    const int ownIndex = config_.uniformNumber - 1;
    const auto touches = [&](const PlayerRecord& player) {
        return known(player.positionTime) && distance(player.position, snapshot.ballPosition) <=
                                                 params_.kickableArea(typeOf(player));
    };
    for (int i = 0; i < kTeamSize; ++i) {
        const auto index = static_cast<std::size_t>(i);
        if ((i != ownIndex && touches(snapshot.teammates[index])) ||
            touches(snapshot.opponents[index])) {
            return true;
        }
    }
    return false;
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
                              first * ownType().kickPowerRate,
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
            predicted = own->position + polar(params_.bodyAndBall(ownType()), own->bodyDirection);
            return true;
        default:
            return false;
    }
    const double strength = length(accel);
    if (strength > params_.ballAccelMax) {
        accel = accel * (params_.ballAccelMax / strength);
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
