// The choice of shot or pass target.
#include "agent/strategy/shot_pass_selector.h"

#include <array>
#include <cmath>
#include <limits>

#include "agent/config/agent_config.h"
#include "agent/config/server_params.h"
#include "agent/perception/geometry.h"
#include "agent/perception/world_snapshot.h"
#include "agent/skills/skills.h"
#include "agent/strategy/positioning.h"

namespace zamo {
namespace {

constexpr double kGoalLineX = 52.5;
constexpr Vec2 kGoalCentre{kGoalLineX, 0.0};
constexpr double kFreeKickDistance = 9.15;
// Passes shorter than this many kick distances are not worth a kick; longer than the maximum
// they take too long.
constexpr double kMinPassKickDistances = 5.0;
constexpr double kMaxPassDistance = 60.0;
// Behind this x a lost pass is dangerous, so opponents get more time to count as a threat.
constexpr double kDangerZoneX = -12.625;
constexpr double kDeepZoneX = -26.25;
// A through-pass target must leave the receiver this much nearer than the passer.
constexpr double kReceiverLead = 5.0;
constexpr double kTouchLineMargin = 5.0;
// Offsets of through-pass targets from the receiver: directions outer, distances inner.
constexpr std::array<double, 4> kThroughDirections{0.0, 45.0, -45.0, 180.0};
constexpr std::array<double, 4> kThroughDistances{27.45, 18.3, 9.15, 5.0};
constexpr Region kField{-52.5, 52.5, -34.0, 34.0};

bool flaggedGoalie(const PlayerRecord& record) {
    return known(record.goalieTime) && record.goalie != 0;
}

Vec2 along(double length, double directionDegrees) {
    return {length * std::cos(directionDegrees * kDegToRad),
            length * std::sin(directionDegrees * kDegToRad)};
}

}  // namespace

const WorldSnapshot& ShotPassSelector::world() const {
    return history_.currentSnapshot();
}

double ShotPassSelector::kickDistance() const {
    return skills_.ownKickReach();
}

double ShotPassSelector::passPace() const {
    return params_.ballSpeedMax * kPassPaceShare;
}

bool ShotPassSelector::canShootFrom(Vec2 ball) const {
    const double factor = skills_.effectiveKickFactor();
    if (factor == kNoValue) {
        return false;
    }
    const double rollDistance =
        factor * skills_.ownType().kickPowerRate * params_.maxPower / (1.0 - params_.ballDecay);
    const double halfGoal = params_.goalWidth / 2.0;
    double toGoal = std::abs(kGoalLineX - ball.x);
    if (ball.y > halfGoal) {
        toGoal = distance(ball, {kGoalLineX, halfGoal});
    } else if (ball.y < -halfGoal) {
        toGoal = distance(ball, {kGoalLineX, -halfGoal});
    }
    return toGoal < rollDistance;
}

int ShotPassSelector::fastestOpponentToShot(Vec2 target, double speed) const {
    const WorldSnapshot& w = world();
    const double direction = geometry_.directionTo(w.ballPosition, target);
    int best = kUnreachableCycles;
    for (int i = 0; i < kTeamSize; ++i) {
        std::optional<InterceptProblem> problem =
            skills_.buildInterceptProblem(PlayerSide::kOpponent, i, false);
        if (!problem) {
            continue;
        }
        problem->targetPosition = w.ballPosition;
        problem->targetSpeed = speed > 0.0 ? speed : skills_.shotSpeed();
        problem->targetDirection = direction;
        // Each success lowers the cap, so a later attempt counts only when strictly faster.
        for (const bool backwards : {false, true}) {
            problem->backwards = backwards;
            problem->cycleCap = best;
            if (const auto result = skills_.simulateIntercept(*problem)) {
                best = result->cycles();
            }
        }
    }
    return best;
}

std::optional<KickTarget> ShotPassSelector::chooseShotTarget(int minMargin) const {
    const WorldSnapshot& w = world();
    const int own = config_.uniformNumber - 1;
    if (own < 0 || own >= kTeamSize) {
        return std::nullopt;
    }
    const PlayerRecord& self = w.teammates[own];
    if (!known(self.bodyTime) || !known(self.positionTime) || !known(w.ballPositionTime) ||
        !canShootFrom(w.ballPosition)) {
        return std::nullopt;
    }

    const Vec2 ball = w.ballPosition;
    const double goalWidth = params_.goalWidth;
    const Vec2 upper{kGoalLineX, goalWidth / 2.0 - 1.5};
    const Vec2 centre = kGoalCentre;
    const Vec2 lower{kGoalLineX, 1.5 - goalWidth / 2.0};
    const Vec2 straight{kGoalLineX, ball.y};
    // Candidates in order of preference for the ball's band across the goal.
    std::array<Vec2, 4> candidates{};
    int count = 4;
    if (ball.y > goalWidth / 2.0 - 1.5) {
        candidates = {upper, centre, lower};
        count = 3;
    } else if (ball.y > goalWidth / 4.0) {
        candidates = {straight, upper, centre, lower};
    } else if (ball.y > 0.0) {
        candidates = {straight, centre, upper, lower};
    } else if (ball.y > -goalWidth / 4.0) {
        candidates = {straight, centre, lower, upper};
    } else if (ball.y > 1.5 - goalWidth / 2.0) {
        candidates = {straight, lower, centre, upper};
    } else {
        candidates = {lower, centre, upper};
        count = 3;
    }

    std::optional<KickTarget> chosen;
    int bestMargin = minMargin;
    for (int i = 0; i < count; ++i) {
        const Vec2 c = candidates[static_cast<std::size_t>(i)];
        // Planned at the speed this cycle's kick can give, so that the kick is sent now.
        const double speed = skills_.strongestKickSpeed(geometry_.directionTo(ball, c));
        if (speed < kMinShotSpeedShare * params_.ballSpeedMax) {
            continue;
        }
        const int ballCycles = skills_.ballCyclesToTravel(distance(ball, c), speed);
        const int opponentCycles = fastestOpponentToShot(c, speed);
        if (opponentCycles - ballCycles > bestMargin) {
            bestMargin = opponentCycles - ballCycles;
            chosen = KickTarget{c, ballCycles};
        }
    }
    return chosen;
}

std::optional<int> ShotPassSelector::receiverCycles(int index, double speed,
                                                    double direction) const {
    std::optional<InterceptProblem> problem =
        skills_.buildInterceptProblem(PlayerSide::kTeammate, index, true);
    if (!problem) {
        return std::nullopt;
    }
    problem->targetSpeed = speed;
    problem->targetDirection = direction;
    problem->backwards = false;
    problem->cycleCap = kUnreachableCycles;
    const auto result = skills_.simulateIntercept(*problem);
    if (!result) {
        return std::nullopt;
    }
    return result->cycles();
}

bool ShotPassSelector::opponentIntercepts(double speed, double direction, int cap) const {
    for (int i = 0; i < kTeamSize; ++i) {
        std::optional<InterceptProblem> problem =
            skills_.buildInterceptProblem(PlayerSide::kOpponent, i, true);
        if (!problem) {
            continue;
        }
        problem->targetSpeed = speed;
        problem->targetDirection = direction;
        problem->backwards = false;
        problem->cycleCap = cap;
        if (skills_.simulateIntercept(*problem)) {
            return true;
        }
    }
    return false;
}

std::optional<int> ShotPassSelector::passSafe(int index, Vec2 target) const {
    const Vec2 ball = world().ballPosition;
    const double length = distance(ball, target);
    int cycles = static_cast<int>(length / passPace());
    double speed = skills_.ballFirstSpeed(length, cycles);
    const double direction = geometry_.directionTo(ball, target);
    // A pass faster than this cycle's kick can give goes at the speed it can give when the ball
    // still gets there: a kick now beats a hold that lets the defenders close in.
    const double strongest = skills_.strongestKickSpeed(direction);
    if (speed > strongest && skills_.ballFirstSpeed(length, kUnreachableCycles) < strongest) {
        speed = strongest;
        cycles = skills_.ballCyclesToTravel(length, speed);
    }
    const std::optional<int> receiver = receiverCycles(index, speed, direction);
    if (!receiver) {
        return std::nullopt;
    }
    const int cap = *receiver + 2 + (target.x < kDangerZoneX ? 1 : 0);
    if (opponentIntercepts(speed, direction, cap)) {
        return std::nullopt;
    }
    return cycles;
}

std::optional<int> ShotPassSelector::throughPassSafe(int index, Vec2 target, int cycles) const {
    if (index < 0 || index >= kTeamSize) {
        return std::nullopt;
    }
    const WorldSnapshot& w = world();
    const PlayerRecord& mate = w.teammates[static_cast<std::size_t>(index)];
    const double run = distance(mate.position, target);
    if (run > 0.0) {
        cycles = skills_.cyclesToCover(run, skills_.playerReach(mate),
                                       skills_.dashAccel(mate, kFullDash), skills_.typeOf(mate)) +
                 static_cast<int>(0.2 * run) + 4;
    }
    const Vec2 ball = w.ballPosition;
    const double speed =
        std::min(skills_.ballFirstSpeed(distance(ball, target), cycles), skills_.shotSpeed());
    const double direction = geometry_.directionTo(ball, target);
    const std::optional<int> receiver = receiverCycles(index, speed, direction);
    if (!receiver) {
        return std::nullopt;
    }
    const int cap = *receiver + 2 + (target.x < kDangerZoneX ? 4 : 0);
    if (opponentIntercepts(speed, direction, cap)) {
        return std::nullopt;
    }
    return cycles;
}

bool ShotPassSelector::noOpponentCloser(Vec2 p, Vec2 q) const {
    const double limit = distance(p, q);
    for (const PlayerRecord& opponent : world().opponents) {
        if (known(opponent.positionTime) && distance(p, opponent.position) < limit) {
            return false;
        }
    }
    return true;
}

std::optional<KickTarget> ShotPassSelector::choosePass(bool strict) const {
    const WorldSnapshot& w = world();
    const int own = config_.uniformNumber - 1;
    if (own < 0 || own >= kTeamSize || !known(w.teammates[own].positionTime)) {
        return std::nullopt;
    }
    const Vec2 self = w.teammates[own].position;
    const double offsideLine = positioning_.opponentLine(kTowardsOpponentGoal);
    const double ballX = w.ballPosition.x;
    const double minPass = kMinPassKickDistances * kickDistance();

    // Which teammates are worth a pass: seen recently enough for the danger of the ball's
    // place, not the goalie, not offside.
    std::array<bool, kTeamSize> candidate{};
    for (int i = 0; i < kTeamSize; ++i) {
        const PlayerRecord& mate = w.teammates[static_cast<std::size_t>(i)];
        bool fresh = false;
        if (strict || ballX < kDeepZoneX) {
            fresh = known(mate.positionTime) && mate.positionTime == w.time;
        } else if (ballX >= kDangerZoneX) {
            fresh = known(mate.positionTime);
        } else {
            fresh = known(mate.positionTime) && mate.positionTime >= w.time - 1;
        }
        candidate[static_cast<std::size_t>(i)] =
            i != own && fresh && !flaggedGoalie(mate) && mate.position.x <= offsideLine;
    }

    std::optional<KickTarget> best;
    double bestDistance = std::numeric_limits<double>::max();
    for (int i = 0; i < kTeamSize; ++i) {
        if (!candidate[static_cast<std::size_t>(i)]) {
            continue;
        }
        const Vec2 mate = w.teammates[static_cast<std::size_t>(i)].position;
        const double length = distance(self, mate);
        const double toGoal = distance(mate, kGoalCentre);
        if (length <= minPass || length >= kMaxPassDistance || toGoal >= bestDistance) {
            continue;
        }
        if (const std::optional<int> cycles = passSafe(i, mate)) {
            best = KickTarget{mate, *cycles};
            bestDistance = toGoal;
        }
    }

    // The goalie keeps the ball away from the own goal: no pass that is not well ahead.
    const bool goalie = config_.isGoalie != 0;
    const double goalieMinAhead = kFreeKickDistance - kickDistance();
    if (best) {
        if (goalie && self.x + goalieMinAhead > best->target.x) {
            return std::nullopt;
        }
        if (best->target.x > self.x + 5.0 || Positioning::inOpponentPenaltyArea(best->target) ||
            strict) {
            return best;
        }
    }

    for (int i = 0; i < kTeamSize; ++i) {
        if (!candidate[static_cast<std::size_t>(i)]) {
            continue;
        }
        const Vec2 mate = w.teammates[static_cast<std::size_t>(i)].position;
        if (distance(self, mate) >= kMaxPassDistance) {
            continue;
        }
        for (const double direction : kThroughDirections) {
            for (const double offset : kThroughDistances) {
                const Vec2 p = mate + along(offset, direction);
                const double toGoal = distance(p, kGoalCentre);
                if (toGoal >= bestDistance ||
                    !Positioning::insideRegion(p, kField, -kTouchLineMargin) ||
                    distance(self, p) <= minPass ||
                    distance(p, mate) + kReceiverLead > distance(p, self) ||
                    !noOpponentCloser(p, mate)) {
                    continue;
                }
                const int plannedCycles = best ? best->cycles : 0;
                if (const std::optional<int> cycles = throughPassSafe(i, p, plannedCycles)) {
                    best = KickTarget{p, *cycles};
                    bestDistance = toGoal;
                }
            }
        }
    }
    if (!best || (goalie && self.x + goalieMinAhead > best->target.x)) {
        return std::nullopt;
    }
    return best;
}

}  // namespace zamo
