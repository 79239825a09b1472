// Dribbling: the longest safe run with the ball, and its command of this cycle.
#include "agent/strategy/dribble.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

#include "agent/config/agent_config.h"
#include "agent/config/missing_values.h"
#include "agent/config/server_params.h"
#include "agent/perception/geometry.h"
#include "agent/perception/self_state.h"
#include "agent/perception/world_snapshot.h"
#include "agent/skills/skills.h"
#include "agent/strategy/behaviours.h"
#include "agent/strategy/positioning.h"

namespace zamo {

namespace {

constexpr Vec2 kOpponentGoal{52.5, 0.0};
constexpr Region kField{-52.5, 52.5, -34.0, 34.0};
constexpr int kLongestRun = 8;
// A run longer than this is secure enough to stop searching.
constexpr int kSecureRun = 4;

Vec2 along(double length, double direction) {
    return {length * std::cos(direction * kDegToRad), length * std::sin(direction * kDegToRad)};
}

}  // namespace

const WorldSnapshot& Dribbler::world() const {
    return history_.currentSnapshot();
}

const PlayerRecord* Dribbler::ownRecord() const {
    const int number = config_.uniformNumber;
    if (number < 1 || number > kTeamSize) {
        return nullptr;
    }
    return &world().teammates[static_cast<std::size_t>(number - 1)];
}

double Dribbler::kickDistance() const {
    return skills_.ownKickReach();
}

double Dribbler::ownReach() const {
    const PlayerRecord* own = ownRecord();
    return own != nullptr ? skills_.playerReach(*own) : kickDistance();
}

DribbleRun Dribbler::searchRun(int mode, double dashShare) const {
    DribbleRun best;
    const PlayerRecord* own = ownRecord();
    if (config_.isGoalie != 0 || own == nullptr || !known(own->positionTime) ||
        !known(own->bodyTime)) {
        return best;
    }
    const WorldSnapshot& snapshot = world();
    const PlayerType& ownType = skills_.ownType();
    const double dashAccel = skills_.ownDashAccel(dashShare);
    const double decay = ownType.playerDecay;
    const double body = own->bodyDirection;
    const double speed = known(own->velocityTime) ? length(own->velocity) : 0.0;
    const double heading = known(own->velocityTime) ? geometry_.directionOf(own->velocity) : body;
    const double stamina = known(own->staminaTime) ? own->stamina : self_.stamina;
    const double reach = ownReach();
    const double kick = kickDistance();

    // The first turn-off points towards the middle of the field.
    const double s = own->position.y < 0.0 ? 1.0 : -1.0;
    const std::array<double, 8> offsets{0.0,       s * 45.0,  -s * 45.0,  s * 90.0,
                                        -s * 90.0, s * 135.0, -s * 135.0, 180.0};
    const std::size_t directions = mode == kDribbleForwardOnly ? 3 : offsets.size();

    int bestScore = 0;
    for (std::size_t d = 0; d < directions; ++d) {
        for (int i = 1; i <= kLongestRun; ++i) {
            const double drift = (1.0 - std::pow(decay, i)) / (1.0 - decay);
            Vec2 end = own->position + along(speed * drift, heading);
            double direction =
                geometry_.normalizeAngle(geometry_.directionTo(end, kOpponentGoal) + offsets[d]);
            const int turns = skills_.turnCyclesToFace(
                body, direction, distance(end, kOpponentGoal), speed, reach, 22.5, ownType);
            if (turns == 0) {
                direction = body;
            }
            if (turns + 1 < i) {
                end += along(skills_.dashDistance(dashAccel, stamina, i - turns - 1), direction);
            }
            if (!Positioning::insideRegion(end, kField, -kick) &&
                !Positioning::insideRegion(end + along(2.0, direction), kField, -kick)) {
                break;
            }

            bool late = false;
            bool close = false;
            bool cutOff = false;
            for (const PlayerRecord& opponent : snapshot.opponents) {
                if (!known(opponent.positionTime)) {
                    continue;
                }
                // A player that has just tackled cannot move yet.
                if (known(opponent.tackleTime) &&
                    snapshot.time - opponent.tackleTime < params_.tackleCycles) {
                    continue;
                }
                if (rotateAbout(end, opponent.position, -direction).x <= end.x) {
                    continue;
                }
                const PlayerType& type = skills_.typeOf(opponent);
                const double facing =
                    known(opponent.bodyTime)
                        ? opponent.bodyDirection
                        : geometry_.directionTo(opponent.position, snapshot.ballPosition);
                const double itsSpeed = known(opponent.velocityTime)
                                            ? length(opponent.velocity)
                                            : type.playerSpeedMax * type.playerDecay;
                const double itsHeading = known(opponent.velocityTime)
                                              ? geometry_.directionOf(opponent.velocity)
                                              : facing;
                // It drifts as its own type does.
                const double itsDrift =
                    (1.0 - std::pow(type.playerDecay, i)) / (1.0 - type.playerDecay);
                const Vec2 there = opponent.position + along(itsSpeed * itsDrift, itsHeading);
                const double gap = distance(there, end);
                const double itsReach = skills_.playerReach(opponent);
                const double towards = geometry_.directionTo(there, end);
                const int turnCycles = std::min(
                    skills_.turnCyclesToFace(facing, towards, gap, itsSpeed, itsReach, 0.0, type),
                    skills_.turnCyclesToFace(geometry_.addAngles(facing, 180.0), towards, gap,
                                             itsSpeed, itsReach, 0.0, type));
                const double run = turnCycles < i ? skills_.dashDistanceFromRest(
                                                        skills_.dashAccel(opponent, kFullDash),
                                                        i - turnCycles, type)
                                                  : 0.0;
                if (run + ownType.playerSize + type.playerSize >= gap) {
                    if (turns + 1 < i) {
                        cutOff = true;
                    } else {
                        late = true;
                    }
                    break;
                }
                if (gap <= run + itsReach + reach) {
                    close = true;
                }
            }
            if (cutOff) {
                break;
            }

            const int score = i - (late ? 1 : 0) - (close ? 1 : 0) - turns;
            const bool bestUnflagged = best.length > 0 && !best.late && !best.close;
            if (score > bestScore && !((late || close) && bestUnflagged)) {
                best = {i, turns, end, direction, late, close};
                bestScore = score;
            }
            if (late || close || i == kLongestRun) {
                if (best.length > kSecureRun) {
                    return best;
                }
                break;
            }
        }
    }
    return best;
}

bool Dribbler::dribble(CommandList& commands, int mode, double dashShare, int mark) const {
    const PlayerRecord* own = ownRecord();
    if (own == nullptr || !known(own->positionTime) || !known(own->bodyTime) ||
        !known(world().ballPositionTime)) {
        return false;
    }
    const DribbleRun run = searchRun(mode, dashShare);
    if (run.length == 0) {
        return false;
    }
    return emitRun(commands, run, skills_.ownDashAccel(dashShare), mark);
}

bool Dribbler::emitRun(CommandList& commands, const DribbleRun& run, double dashAccel,
                       int mark) const {
    const PlayerRecord& own = *ownRecord();
    const WorldSnapshot& snapshot = world();
    const Vec2 ball = snapshot.ballPosition;
    const bool ballMoving = known(snapshot.ballVelocityTime);
    const bool ownMoving = known(own.velocityTime);
    const Vec2 ownNext = ownMoving ? own.position + own.velocity : own.position;
    const Vec2 ballNext = ballMoving ? ball + snapshot.ballVelocity : ball;
    const double gapNext = distance(ownNext, ballNext);
    const double body = own.bodyDirection;
    const double reach = ownReach();
    const PlayerType& type = skills_.ownType();
    const double bodyAndBall = params_.bodyAndBall(type);
    const double weakKick = skills_.weakKickPower();
    const auto kickTo = [&](Vec2 target, int cycles) {
        return behaviours_.kickToward(distance(ball, target), geometry_.directionTo(ball, target),
                                      cycles, mark);
    };

    // Holding step: first keep the ball away from whoever presses.
    if (run.late || run.close || run.turnCycles != 0) {
        const double margin = (run.late || run.close) && run.turnCycles == 0 ? 0.0 : 0.1;
        Vec2 spot{kNoValue, kNoValue};
        const bool free = skills_.safeBallSpot(margin, spot);
        if (spot.x != kNoValue) {
            const ServerCommand hold = kickTo(spot, 1);
            if (hold.kind == kKickCommand && (!free || hold.firstValue > weakKick)) {
                return commands.append(hold);
            }
        }
    }

    // The ball's place beside the runner at the end of the run.
    const int side = skills_.nearestOpponentSide();
    double sideAngle = 0.0;
    if (side == 1) {
        sideAngle = -90.0;
    } else if (side == 2) {
        sideAngle = 90.0;
    } else {
        sideAngle = rotateAbout(ownNext, ballNext, -body).y > ownNext.y ? 90.0 : -90.0;
    }
    // Halfway between the body and the edge of the kick reach, nearer the body the longer the run.
    const double besideGap = (bodyAndBall + kickDistance()) / 2.0 - 0.05 * run.length;
    const Vec2 beside = run.end + along(besideGap, run.direction + sideAngle);
    const double placeDistance = distance(ball, beside);
    const double placeDirection = geometry_.directionTo(ball, beside);
    const double firstSpeed = skills_.ballFirstSpeed(placeDistance, run.length);
    const double allowedSpeed = run.length < 2
                                    ? params_.ballSpeedMax
                                    : skills_.ballFirstSpeed(placeDistance, run.length - 1);
    const double ballSpeed = ballMoving ? length(snapshot.ballVelocity) : 0.0;

    // Dash after a ball already on its way.
    const double lateral = std::abs(rotateAbout(ownNext, ballNext, -body).y - ownNext.y);
    double accel = 0.0;
    if (lateral <= reach - 0.1 && run.turnCycles == 0 && ballSpeed - 0.2 <= allowedSpeed) {
        InterceptResult approach;
        approach.playerIndex = config_.uniformNumber - 1;
        approach.driftPosition = ownNext;
        approach.targetPosition = ballNext;
        approach.dashCycles = 1;
        approach.bodyDirection = body;
        approach.targetRelativeDirection =
            geometry_.subtractAngles(geometry_.directionTo(ownNext, ballNext), body);
        approach.reach = reach;
        approach.dashAccel = dashAccel;
        accel = skills_.approachDash(approach, false, false, 0.0, false, 0.2);
        if (accel == kNoValue) {
            accel = 0.0;
        }
    }
    if (accel * (1.0 + type.playerDecay) >= dashAccel) {
        return commands.append({kDashCommand, mark, accel / type.dashPowerRate, 0.0});
    }

    // Turn into the run while the ball stays with the player.
    if (run.turnCycles >= 1 && gapNext >= bodyAndBall + 0.1) {
        const bool ballFollows =
            ballMoving &&
            std::abs(geometry_.subtractAngles(geometry_.directionOf(snapshot.ballVelocity),
                                              run.direction)) <= 22.5 &&
            ballSpeed <= firstSpeed;
        if (gapNext <= reach - 0.1 || ballFollows) {
            return commands.append(
                {kTurnCommand, mark, geometry_.subtractAngles(run.direction, body), 0.0});
        }
    }

    // Placing kick along the run, else a kick that stops the ball at the feet.
    ServerCommand kick{kNoCommand, mark, 0.0, 0.0};
    if (run.turnCycles == 0) {
        const Vec2 afterKick = ball + along(firstSpeed, placeDirection);
        if (distance(ownNext, afterKick) < bodyAndBall + 0.1) {
            kick = kickTo(ownNext + along(bodyAndBall + 0.2, placeDirection), 1);
        } else {
            kick = behaviours_.kickToward(placeDistance, placeDirection, run.length, mark);
        }
    }
    if (kick.kind != kKickCommand || kick.firstValue > params_.maxPower) {
        Vec2 stop =
            distance(ball, own.position) <= reach - 0.1
                ? ball
                : own.position + along(reach - 0.2, geometry_.directionTo(own.position, ball));
        if (ownMoving) {
            stop += own.velocity;
        }
        kick = kickTo(stop, 1);
    }

    if (kick.kind == kKickCommand && kick.firstValue > weakKick) {
        return commands.append(kick);
    }
    if (gapNext > reach - 0.1) {
        return true;
    }
    return commands.append({kTurnCommand, mark, own.position.y >= 0.0 ? -45.0 : 45.0, 0.0});
}

}  // namespace zamo
