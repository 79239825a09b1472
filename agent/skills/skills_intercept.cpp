// Skills: interception and reach prediction.
#include <algorithm>
#include <cmath>

#include "agent/config/agent_config.h"
#include "agent/config/server_params.h"
#include "agent/perception/geometry.h"
#include "agent/perception/world_snapshot.h"
#include "agent/skills/skills.h"
#include "agent/skills/skills_support.h"

namespace zamo {

const PlayerRecord* Skills::playerRecord(PlayerSide side, int index) const {
    if (index < 0 || index >= kTeamSize) {
        return nullptr;
    }
    const auto& players = side == PlayerSide::kTeammate ? world().teammates : world().opponents;
    return &players[static_cast<std::size_t>(index)];
}

std::optional<InterceptProblem> Skills::buildProblem(PlayerSide side, int index,
                                                     Vec2 facing) const {
    const PlayerRecord* record = playerRecord(side, index);
    if (record == nullptr || !known(record->positionTime)) {
        return std::nullopt;
    }
    const PlayerType& type = typeOf(*record);
    InterceptProblem problem;
    problem.playerIndex = index;
    problem.side = side;
    problem.type = record->type;
    problem.position = record->position;
    problem.reach = playerReach(*record);
    problem.effort =
        known(record->effortTime) && record->effort > 0.0 ? record->effort : type.effortMax;
    problem.dashAccel = dashAccel(*record, kFullDash);
    problem.bodyDirection = known(record->bodyTime)
                                ? record->bodyDirection
                                : geometry_.directionTo(record->position, facing);
    problem.velocityDirection = problem.bodyDirection;
    if (known(record->velocityTime)) {
        problem.speed = length(record->velocity);
        if (problem.speed > 0.0) {
            problem.velocityDirection = geometry_.directionOf(record->velocity);
        }
    } else if (side == PlayerSide::kOpponent) {
        // An opponent of unknown motion is assumed to come on at its usual running pace.
        problem.speed = type.playerSpeedMax * type.playerDecay;
    }
    problem.stamina = known(record->staminaTime) ? record->stamina : params_.staminaMax;
    return problem;
}

std::optional<InterceptProblem> Skills::buildInterceptProblem(PlayerSide side, int index,
                                                              bool includeBall) const {
    const WorldSnapshot& snapshot = world();
    std::optional<InterceptProblem> problem = buildProblem(side, index, snapshot.ballPosition);
    if (!problem || !includeBall) {
        return problem;
    }
    if (!known(snapshot.ballPositionTime)) {
        return std::nullopt;
    }
    problem->targetPosition = snapshot.ballPosition;
    if (known(snapshot.ballVelocityTime)) {
        problem->targetSpeed = length(snapshot.ballVelocity);
        problem->targetDirection = geometry_.directionOf(snapshot.ballVelocity);
    }
    return problem;
}

std::optional<InterceptProblem> Skills::buildReachProblem(PlayerSide side, int index,
                                                          Vec2 point) const {
    std::optional<InterceptProblem> problem = buildProblem(side, index, point);
    if (problem) {
        problem->targetPosition = point;
    }
    return problem;
}

namespace {

// The dash of the simulations: the wanted power while the usable stamina pays for it, else
// what the usable stamina pays for (never less than nothing).
struct DashModel {
    double wanted = 0.0;      // power per dash
    double costFactor = 1.0;  // stamina per unit of power
    double rate = 0.0;        // acceleration per unit of power

    // The dash that gives the problem's acceleration, never stronger than the strongest.
    static DashModel of(const InterceptProblem& problem, const PlayerType& type, double maxPower) {
        const double rate = type.dashPowerRate * problem.effort;
        const double wanted = rate > 0.0 ? problem.dashAccel / rate : 0.0;
        return {std::clamp(wanted, 0.0, maxPower), problem.backwards ? 2.0 : 1.0, rate};
    }

    double power(double usable) const {
        return usable >= wanted * costFactor ? wanted : std::max(0.0, usable) / costFactor;
    }
    double plannedAccel(double usable) const {
        return rate * std::min(wanted, std::max(0.0, usable) / costFactor);
    }
};

// Where one run towards a target stands after its turns and dashes so far.
struct RunState {
    Vec2 player;
    Vec2 target;
    double running;     // the direction the run goes
    double turnedLeft;  // how far the turns so far can have turned the body, each way
    double turnedRight;
    double reach;
    double gap;
    double plannedAccel;
    double run;
};

enum class Meeting { kMet, kNeedsTurn, kNeedsDash };

// Whether the run meets its target: the body has turned close enough towards it, or the run's
// line passes within reach of it. Otherwise the player needs another turn, or one more dash.
// toTarget receives the target's direction relative to the run.
Meeting checkMeeting(const Geometry& geometry, const RunState& s, double& toTarget) {
    toTarget = geometry.subtractAngles(geometry.directionTo(s.player, s.target), s.running);
    const double facing =
        geometry.addAngles(s.running, std::clamp(toTarget, s.turnedRight, s.turnedLeft));
    const double tolerance = std::max(std::atan2(s.reach, s.gap) * kRadToDeg, 5.0);
    const bool turnedEnough = (toTarget <= 0.0 || toTarget <= s.turnedLeft + tolerance) &&
                              (toTarget >= 0.0 || toTarget >= s.turnedRight - tolerance);
    if (turnedEnough) {
        return Meeting::kMet;
    }
    const Vec2 rotated = rotateAbout(s.player, s.target, -facing);
    const double ahead = rotated.x - s.player.x;
    const double side = s.player.y - rotated.y;
    if (std::abs(side) > s.reach || ahead < -(s.reach + s.plannedAccel)) {
        return Meeting::kNeedsTurn;
    }
    const Vec2 runEnd{s.player.x + std::copysign(s.run, ahead), s.player.y};
    if (s.run < std::abs(ahead) && distance(runEnd, rotated) > s.reach) {
        return Meeting::kNeedsDash;
    }
    return Meeting::kMet;
}

InterceptResult meetingResult(const InterceptProblem& problem, const RunState& s, int dashes,
                              int turns, double toTarget) {
    InterceptResult result;
    result.playerIndex = problem.playerIndex;
    result.driftPosition = s.player;
    result.targetPosition = s.target;
    result.dashCycles = dashes;
    result.turnCycles = turns;
    result.bodyDirection = s.running;
    result.targetRelativeDirection = toTarget;
    result.reach = s.reach;
    result.dashAccel = problem.dashAccel;
    return result;
}

}  // namespace

std::optional<InterceptResult> Skills::simulateIntercept(const InterceptProblem& problem) const {
    const int cap = problem.cycleCap;
    // A result must need strictly fewer cycles than the cap; even a ball at the feet.
    if (cap <= 0) {
        return std::nullopt;
    }
    const PlayerType& type = params_.playerType(problem.type);
    const double decay = type.playerDecay;
    const double reach = problem.reach;
    const DashModel dash = DashModel::of(problem, type, params_.maxPower);
    const double running = problem.backwards ? geometry_.addAngles(problem.bodyDirection, 180.0)
                                             : geometry_.normalizeAngle(problem.bodyDirection);
    const Vec2 driftLine = polar(1.0, problem.velocityDirection);
    const Vec2 ballLine = polar(1.0, problem.targetDirection);

    // Where the current attempt starts; each needed turn moves it on by one cycle.
    Vec2 startPlayer = problem.position;
    double startDrift = problem.speed;
    Vec2 startBall = problem.targetPosition;
    double startBallSpeed = problem.targetSpeed;
    double startStamina = problem.stamina;
    int turns = 0;
    double turnedLeft = 0.0;
    double turnedRight = 0.0;

    for (;;) {
        Vec2 player = startPlayer;
        double drift = startDrift;
        Vec2 ball = startBall;
        double ballSpeed = startBallSpeed;
        double stamina = startStamina;
        double run = 0.0;
        double runSpeed = 0.0;
        int dashes = 0;
        const double plannedAccel = dash.plannedAccel(usableStamina(stamina));
        double gap = distance(player, ball);
        bool extraStep = false;
        bool needsTurn = false;
        while (!needsTurn) {
            while (run + reach < gap || extraStep) {
                extraStep = false;
                if (dashes + turns + 1 >= cap) {
                    return std::nullopt;
                }
                player += driftLine * drift;
                drift *= decay;
                ball += ballLine * ballSpeed;
                ballSpeed *= params_.ballDecay;
                const double used = dash.power(usableStamina(stamina));
                runSpeed += used * dash.rate;
                run += runSpeed;
                runSpeed *= decay;
                stamina = geometry_.clampStamina(stamina + type.staminaIncMax - used);
                ++dashes;
                gap = distance(player, ball);
            }
            const RunState state{player, ball, running,      turnedLeft, turnedRight,
                                 reach,  gap,  plannedAccel, run};
            double toTarget = 0.0;
            const Meeting meeting = checkMeeting(geometry_, state, toTarget);
            if (meeting == Meeting::kMet) {
                return meetingResult(problem, state, dashes, turns, toTarget);
            }
            needsTurn = meeting == Meeting::kNeedsTurn;
            extraStep = meeting == Meeting::kNeedsDash;
        }
        ++turns;
        if (dashes + turns >= cap) {
            return std::nullopt;
        }
        turnedLeft += maxTurnAngle(startDrift, type);
        turnedRight += minTurnAngle(startDrift, type);
        startPlayer += driftLine * startDrift;
        startDrift *= decay;
        startBall += ballLine * startBallSpeed;
        startBallSpeed *= params_.ballDecay;
        startStamina = geometry_.clampStamina(startStamina + type.staminaIncMax);
    }
}

std::optional<InterceptResult> Skills::simulateReach(const InterceptProblem& problem) const {
    const int cap = problem.cycleCap;
    const PlayerType& type = params_.playerType(problem.type);
    const double decay = type.playerDecay;
    const double reach = problem.reach;
    const Vec2 target = problem.targetPosition;
    const DashModel dash = DashModel::of(problem, type, params_.maxPower);
    const double running = problem.backwards ? geometry_.addAngles(problem.bodyDirection, 180.0)
                                             : geometry_.normalizeAngle(problem.bodyDirection);
    const Vec2 driftLine = polar(1.0, problem.velocityDirection);

    Vec2 player = problem.position;
    double drift = problem.speed;
    double turnSpeed = problem.speed;
    double stamina = problem.stamina;
    double run = 0.0;
    double runSpeed = 0.0;
    int dashes = 0;
    int turns = 0;
    double turnedLeft = 0.0;
    double turnedRight = 0.0;
    for (;;) {
        const double plannedAccel = dash.plannedAccel(usableStamina(stamina));
        double gap = distance(player, target);
        bool extraStep = false;
        bool needsTurn = false;
        while (!needsTurn) {
            while (run + reach < gap || extraStep) {
                extraStep = false;
                // Once at the cap the result can only be a failure: stop instead of running on,
                // which would never end for a dash that does not move the player.
                if (dashes + turns >= cap) {
                    return std::nullopt;
                }
                player += driftLine * drift;
                drift *= decay;
                const double used = dash.power(usableStamina(stamina));
                runSpeed += used * dash.rate;
                run += runSpeed;
                runSpeed *= decay;
                stamina = geometry_.clampStamina(stamina + type.staminaIncMax - used);
                ++dashes;
                gap = distance(player, target);
            }
            if (dashes + turns >= cap) {
                return std::nullopt;
            }
            const RunState state{player, target, running,      turnedLeft, turnedRight,
                                 reach,  gap,    plannedAccel, run};
            double toTarget = 0.0;
            const Meeting meeting = checkMeeting(geometry_, state, toTarget);
            if (meeting == Meeting::kMet) {
                return meetingResult(problem, state, dashes, turns, toTarget);
            }
            needsTurn = meeting == Meeting::kNeedsTurn;
            extraStep = meeting == Meeting::kNeedsDash;
        }
        // The turn is spent where the player stands: it drifts on, and the run so far is kept.
        if (dashes + turns + 1 >= cap) {
            return std::nullopt;
        }
        player += driftLine * drift;
        drift *= decay;
        stamina = geometry_.clampStamina(stamina + type.staminaIncMax);
        ++turns;
        turnedLeft += maxTurnAngle(turnSpeed, type);
        turnedRight += minTurnAngle(turnSpeed, type);
        turnSpeed *= decay;
    }
}

std::optional<InterceptResult> Skills::simulateBothWays(InterceptProblem problem, int cap,
                                                        int backwardsCap) const {
    problem.backwards = false;
    problem.cycleCap = cap;
    std::optional<InterceptResult> forwards = simulateIntercept(problem);
    if ((forwards && forwards->turnCycles == 0) || backwardsCap == 0) {
        return forwards;
    }
    // Running backwards saves the turns; it must beat the forwards run to count.
    problem.backwards = true;
    problem.cycleCap = std::min(forwards ? forwards->cycles() : cap, backwardsCap);
    std::optional<InterceptResult> backwards = simulateIntercept(problem);
    return backwards ? backwards : forwards;
}

FastestPlayer Skills::fastest(PlayerSide side, double dashShare, int backwardsCap) const {
    FastestPlayer best;
    for (int i = 0; i < kTeamSize; ++i) {
        std::optional<InterceptProblem> problem = buildInterceptProblem(side, i, true);
        if (!problem) {
            continue;
        }
        problem->dashAccel *= dashShare;
        // The cap is the best so far: a later player must be strictly faster, so ties go to
        // the lower number.
        std::optional<InterceptResult> result =
            simulateBothWays(*problem, best.cycles, backwardsCap);
        if (result) {
            best.cycles = result->cycles();
            best.result = result;
        }
    }
    return best;
}

FastestPlayer Skills::fastestTeammate(double dashShare, int backwardsCap) const {
    return fastest(PlayerSide::kTeammate, dashShare, backwardsCap);
}

FastestPlayer Skills::fastestOpponent(double dashShare, int backwardsCap) const {
    return fastest(PlayerSide::kOpponent, dashShare, backwardsCap);
}

int Skills::ownInterceptRank(InterceptResult& result, double dashShare, int backwardsCap) const {
    const int ownIndex = config_.uniformNumber - 1;
    const PlayerRecord* own = ownRecord();
    if (own == nullptr || !known(own->positionTime) || !known(world().ballPositionTime)) {
        return 0;
    }
    std::optional<InterceptProblem> problem =
        buildInterceptProblem(PlayerSide::kTeammate, ownIndex, true);
    if (!problem) {
        return 0;
    }
    // The own player goes for the ball to play it, so its kick reach counts even as goalie.
    problem->reach = ownKickReach();
    problem->dashAccel *= dashShare;
    std::optional<InterceptResult> mine =
        simulateBothWays(*problem, kUnreachableCycles, backwardsCap);
    if (!mine) {
        return 0;
    }
    result = *mine;
    const int ownCycles = mine->cycles();
    constexpr double kOutside = 2.0;
    const Vec2 meeting = mine->targetPosition;
    if (!(std::abs(meeting.x) < 52.5 + kOutside && std::abs(meeting.y) < 34.0 + kOutside)) {
        return 0;
    }
    int faster = 0;
    for (int i = 0; i < kTeamSize && faster < 2; ++i) {
        if (i == ownIndex) {
            continue;
        }
        std::optional<InterceptProblem> mate =
            buildInterceptProblem(PlayerSide::kTeammate, i, true);
        if (!mate) {
            continue;
        }
        mate->dashAccel *= dashShare;
        mate->cycleCap = ownCycles;
        bool gets = simulateIntercept(*mate).has_value();
        if (!gets && backwardsCap != 0) {
            mate->backwards = true;
            mate->cycleCap = std::min(ownCycles, backwardsCap);
            gets = simulateIntercept(*mate).has_value();
        }
        if (gets) {
            ++faster;
        }
    }
    return faster == 0 ? 1 : (faster == 1 ? 2 : 0);
}

}  // namespace zamo
