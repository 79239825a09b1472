// The once-per-cycle decision.
#include "agent/strategy/think_cycle.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "agent/config/agent_config.h"
#include "agent/config/missing_values.h"
#include "agent/config/server_params.h"
#include "agent/perception/clock.h"
#include "agent/perception/cycle_timer.h"
#include "agent/perception/geometry.h"
#include "agent/perception/play_mode.h"
#include "agent/perception/self_state.h"
#include "agent/perception/world_snapshot.h"
#include "agent/skills/look_planner.h"
#include "agent/skills/skills.h"
#include "agent/strategy/behaviours.h"
#include "agent/strategy/dribble.h"
#include "agent/strategy/positioning.h"
#include "agent/strategy/shot_pass_selector.h"
#include "agent/strategy/strategy_set.h"

namespace zamo {

namespace {

constexpr Vec2 kOpponentGoal{52.5, 0.0};
constexpr Vec2 kOwnGoal{-52.5, 0.0};
constexpr Region kField{-52.5, 52.5, -34.0, 34.0};
constexpr double kFreeKickDistance = 9.15;
// What was last seen longer ago than this many cycles is not acted on.
constexpr int kMemoryCycles = 10;
constexpr int kNarrow = 0;
constexpr int kNormal = 1;
constexpr int kWide = 2;
// A ball this many kick distances away is about to be played.
constexpr double kNearBallKickDistances = 2.0;
// The mean error of a shown distance that the server rounds to a tenth of a metre.
constexpr double kSeenDistanceError = 0.025;
// A ball slower than this (m/cycle) is foreseen well enough a cycle ahead to be played.
constexpr double kStillBallSpeed = 0.3;
// The kicker of an own set play rests for its full stamina at most this many passes: with a
// spent capacity it would never get there, and the referee drops the ball.
constexpr int kSetPlayRestPasses = 20;
// An own set play this many cycles old takes any safe pass, not only one to a teammate seen
// this cycle: the referee drops the ball at 100.
constexpr int kSetPlayPatience = 50;
// Within this distance of the opponent goal a run at it comes before a pass; within the
// shorter one a shot the goalie might reach beats keeping the ball.
constexpr double kNearGoalDistance = 25.0;
constexpr double kLastResortShotDistance = 20.0;

bool flaggedGoalie(const PlayerRecord& record) {
    return known(record.goalieTime) && record.goalie != 0;
}

enum class ModeClass { kFormation, kLeftSetPlay, kRightSetPlay, kPlay, kIdle };

ModeClass classify(int mode) {
    switch (mode) {
        case kBeforeKickOff:
        case kGoalL:
        case kGoalR:
            return ModeClass::kFormation;
        case kCornerKickL:
        case kFreeKickL:
        case kGoalKickL:
        case kIndirectFreeKickL:
        case kKickInL:
        case kKickOffL:
        case kOffsideL:
            return ModeClass::kLeftSetPlay;
        case kCornerKickR:
        case kFreeKickR:
        case kGoalKickR:
        case kIndirectFreeKickR:
        case kKickInR:
        case kKickOffR:
        case kOffsideR:
            return ModeClass::kRightSetPlay;
        case kPlayOn:
            return ModeClass::kPlay;
        default:
            return ModeClass::kIdle;
    }
}

}  // namespace

const WorldSnapshot& ThinkCycle::world() const {
    return parts_.worldHistory.currentSnapshot();
}

const PlayerRecord* ThinkCycle::ownRecord() const {
    const int number = parts_.config.uniformNumber;
    if (number < 1 || number > kTeamSize) {
        return nullptr;
    }
    return &world().teammates[static_cast<std::size_t>(number - 1)];
}

double ThinkCycle::kickDistance() const {
    return parts_.skills.ownKickReach();
}

double ThinkCycle::catchReach() const {
    return parts_.serverParams.catchableLength(parts_.skills.ownType());
}

int ThinkCycle::cycle() const {
    return parts_.clock.cycle;
}

bool ThinkCycle::cycleBeforeOwnSay() const {
    return cycle() >= 0 && cycle() % kTeamSize == parts_.config.uniformNumber - 1;
}

const CommandList& ThinkCycle::decide() {
    commands_ = CommandList{};
    dashShare_ = kFullDash;
    weights_ = LookWeights{};
    kickOffMode_ = false;
    ownSetPlay_ = false;
    opponentSetPlay_ = false;
    kicking_ = false;
    ballSeenNow_ = false;
    keepLookWeights_ = false;

    parts_.skills.updateKickRate();
    chooseViewWidth();

    const int mode = world().playMode;
    kickOffMode_ = mode == kKickOffL || mode == kKickOffR;
    const int side = parts_.config.side;
    switch (classify(mode)) {
        case ModeClass::kFormation:
            takeFormation();
            keepLookWeights_ = true;
            break;
        case ModeClass::kLeftSetPlay:
        case ModeClass::kRightSetPlay: {
            const bool left = classify(mode) == ModeClass::kLeftSetPlay;
            ownSetPlay_ = left ? side != 2 : side != 1;
            opponentSetPlay_ = !ownSetPlay_;
            if (ownSetPlay_) {
                dashShare_ = kSetPlayDash;
                ownSetPlayPending_ = true;
            } else {
                ownSetPlayPending_ = false;
            }
            if (!ownSetPlay_) {
                setPlayRestPasses_ = 0;
            }
            play();
            break;
        }
        case ModeClass::kPlay:
            setPlayRestPasses_ = 0;
            play();
            break;
        case ModeClass::kIdle:
            keepLookWeights_ = true;
            break;
    }

    if (!keepLookWeights_) {
        if (opponentSetPlay_) {
            weights_.opponents *= 100.0;
        }
        if (kicking_) {
            weights_.ball *= 0.01;
            weights_.teammates *= 100.0;
            weights_.opponents *= 100.0;
        }
    }
    if (cycleBeforeOwnSay()) {
        weights_.ball *= 100.0;
    }
    look();
    return commands_;
}

void ThinkCycle::chooseViewWidth() {
    const PlayerRecord* own = ownRecord();
    const WorldSnapshot& snapshot = world();
    const bool bothKnown =
        own != nullptr && known(own->positionTime) && known(snapshot.ballPositionTime);
    const double ballDistance =
        bothKnown ? distance(own->position, snapshot.ballPosition) : kNoValue;
    int width = kNarrow;
    if (ownSetPlayPending_ && bothKnown && ballDistance < kickDistance()) {
        width = kWide;
    } else if (bothKnown && ballDistance < kNearBallKickDistances * kickDistance()) {
        // The narrowest view brings a visual message every cycle: the ball about to be played
        // is seen where it is rather than foreseen.
        width = kNarrow;
    } else {
        // With visual messages in step with the cycles the narrow view is seen every cycle.
        width = parts_.cycleTimer.synchSee ? kNarrow : parts_.cycleTimer.chooseSyncWidthAhead();
        if (width == kNoViewWidth) {
            width = kNarrow;
        }
        // In step with the cycles every view is as fresh as its width allows: the narrow one
        // every cycle is worth more than the wider ones seen less often.
        if (!parts_.cycleTimer.synchSee && !cycleBeforeOwnSay() && bothKnown) {
            if (ballDistance >= 40.0) {
                width = kWide;
            } else if (ballDistance >= 20.0 && width != kWide) {
                width = kNormal;
            }
        }
    }
    if (parts_.self.wantedViewWidth != width) {
        parts_.self.wantedViewWidth = width;
    }
}

void ThinkCycle::takeFormation() {
    parts_.strategySet.reload();
    parts_.positioning.setFormation(parts_.strategySet.selectFormation());
    const Vec2 home = parts_.positioning.formation().homePosition;
    const PlayerRecord* own = ownRecord();
    if (own != nullptr && known(own->positionTime) &&
        parts_.positioning.withinKickDistance(home, own->position)) {
        return;
    }
    // The formation never places a player in the opponent half.
    if (home.x < 0.0) {
        commands_.append({kMoveCommand, kKeep, home.x, home.y});
    }
}

void ThinkCycle::play() {
    const PlayerRecord* own = ownRecord();
    const WorldSnapshot& snapshot = world();
    if (own == nullptr || !known(own->positionTime) || !known(own->bodyTime) ||
        !known(snapshot.ballPositionTime) ||
        snapshot.ballPositionTime < snapshot.time - kMemoryCycles) {
        return;
    }
    const double kick = kickDistance();
    const Vec2 ball = snapshot.ballPosition;
    const double ballDistance = distance(own->position, ball);
    if (ownSetPlayPending_ && ballDistance > 4.0 * kick) {
        ownSetPlayPending_ = false;
    }
    // Tackles and kicks act on where the ball is now. Believed within their reach only by
    // prediction, a moving ball may have been played by someone else or have bounced off a body:
    // the pass looks at it instead. A ball nearly at rest, seen a cycle ago, is where it was.
    // The goalie's catch alone is tried on a foreseen ball: a shot passes by within a cycle.
    const bool stillBallSeenLastCycle = snapshot.ballPositionTime == snapshot.time - 1 &&
                                        known(snapshot.ballVelocityTime) &&
                                        length(snapshot.ballVelocity) < kStillBallSpeed;
    ballSeenNow_ = snapshot.ballPositionTime == snapshot.time || stillBallSeenLastCycle;
    // The server refuses every kick in the pause after an offside call, until the free kick.
    const bool offsidePause = snapshot.playMode == kOffsideL || snapshot.playMode == kOffsideR;
    const bool goalie = parts_.config.isGoalie != 0;
    if (goalie && ballDistance <= catchReach() && goalieWithBall(*own)) {
        return;
    }

    Skills& skills = parts_.skills;
    if (ballSeenNow_ && !ownSetPlay_ && skills.ownGoalNotAhead() &&
        skills.tackleFailProbability(own->position, ball, own->bodyDirection) <= 0.2 &&
        parts_.positioning.opponentNear(ball, kick, true) && ballDistance > kick) {
        commands_.append({kTackleCommand, kKeep, 100.0, 0.0});
        return;
    }
    // The server rounds the distances it shows: a ball seen at the very edge of the reach often
    // lies beyond it, and is approached rather than kicked.
    const bool surelyKickable = ballDistance <= kick - kSeenDistanceError;
    if (parts_.positioning.withinKickDistance(ball, own->position) &&
        (!ballSeenNow_ || offsidePause || surelyKickable)) {
        if (ballSeenNow_ && !offsidePause) {
            kickDecision(*own);
        }
    } else if (goalie) {
        goaliePositioning(*own);
    } else {
        fieldPositioning(*own);
    }
}

bool ThinkCycle::goalieWithBall(const PlayerRecord& own) {
    const ServerParams& params = parts_.serverParams;
    const Geometry& geometry = parts_.geometry;
    if (!parts_.positioning.ballInOwnPenaltyArea()) {
        return false;
    }
    if (parts_.self.catchBan <= 0 && !ownSetPlay_) {
        const double ballDirection = geometry.subtractAngles(
            geometry.directionTo(own.position, world().ballPosition), own.bodyDirection);
        const double sign = ballDirection >= 0.0 ? 1.0 : -1.0;
        // Aim inside the catchable rectangle rather than at its edge.
        const double inset = std::atan((params.catchableAreaW / 2.0) / catchReach()) * kRadToDeg;
        commands_.append({kCatchCommand, kKeepCatch, ballDirection - sign * inset, 0.0});
        goalieHoldCount_ = 0;
        return true;
    }
    if (!ownSetPlay_) {
        return false;
    }
    ++goalieHoldCount_;
    switch (goalieHoldCount_) {
        case 1:
            goalieHoldNext_ = 25;
            commands_.append({kTurnCommand, kKeep, -own.bodyDirection, 0.0});
            return true;
        case 50:
            goalieHoldNext_ = 75;
            commands_.append({kMoveCommand, kKeep, -37.0, 0.0});
            return true;
        case 100:
            goalieHoldNext_ = 125;
            commands_.append({kMoveCommand, kKeep, -46.0, 0.0});
            return true;
        default:
            return goalieHoldCount_ < goalieHoldNext_;
    }
}

void ThinkCycle::kickDecision(const PlayerRecord& own) {
    const ServerParams& params = parts_.serverParams;
    const Geometry& geometry = parts_.geometry;
    const WorldSnapshot& snapshot = world();
    const bool goalie = parts_.config.isGoalie != 0;

    if (ownSetPlay_ && !goalie) {
        const double toGoal = geometry.subtractAngles(
            geometry.directionTo(own.position, kOpponentGoal), own.bodyDirection);
        if (std::abs(toGoal) >= 0.5) {
            commands_.append({kTurnCommand, kKeep, toGoal, 0.0});
            return;
        }
    }
    // The kicker of a set play waits for its full stamina, a while at most.
    if (ownSetPlay_ && known(own.staminaTime) && own.stamina < params.staminaMax &&
        setPlayRestPasses_ < kSetPlayRestPasses) {
        ++setPlayRestPasses_;
        return;
    }
    kicking_ = true;

    bool goalieSeenLately = true;
    for (const PlayerRecord& opponent : snapshot.opponents) {
        if (flaggedGoalie(opponent) && opponent.goalieTime < snapshot.time - kMemoryCycles) {
            goalieSeenLately = false;
        }
    }
    if (goalieSeenLately) {
        const auto shot = parts_.shotPassSelector.chooseShotTarget();
        if (shot && kickTo(own, *shot, true)) {
            return;
        }
    }

    Dribbler& dribbler = parts_.dribbler;
    // Near the opponent goal the way forward is the way to the goal: a run at it before a
    // pass, and a shot the goalie may still reach before keeping the ball around.
    const bool nearGoal =
        !goalie && !ownSetPlayPending_ && distance(own.position, kOpponentGoal) < kNearGoalDistance;
    if (nearGoal && dribbler.dribble(commands_, kDribbleForwardOnly, kFullDash, kKeep)) {
        return;
    }
    const bool setPlayOverdue = ownSetPlay_ && known(snapshot.playModeTime) &&
                                snapshot.time - snapshot.playModeTime >= kSetPlayPatience;
    if (const auto pass =
            parts_.shotPassSelector.choosePass(ownSetPlayPending_ && !setPlayOverdue)) {
        const bool mayDribble = !goalie && !ownSetPlayPending_;
        // A pass backwards is the last resort: first try to carry the ball forwards.
        if (mayDribble && pass->target.x < own.position.x &&
            dribbler.dribble(commands_, kDribbleForwardOnly, kFullDash, kKeep)) {
            return;
        }
        if (mayDribble && pass->target.x < own.position.x - kFreeKickDistance &&
            dribbler.dribble(commands_, kDribbleAllDirections, kFullDash, kKeep)) {
            return;
        }
        if (kickTo(own, *pass, !goalie)) {
            return;
        }
    }

    if (ownSetPlayPending_) {
        return;
    }
    if (nearGoal && distance(own.position, kOpponentGoal) < kLastResortShotDistance) {
        const auto shot = parts_.shotPassSelector.chooseShotTarget(-kUnreachableCycles);
        if (shot && kickTo(own, *shot, true)) {
            return;
        }
    }
    if (!goalie && dribbler.dribble(commands_, kDribbleAllDirections, kFullDash, kKeep)) {
        return;
    }
    if (goalie && parts_.positioning.ballInOwnPenaltyArea()) {
        return;
    }
    const Vec2 target = parts_.positioning.clearanceTarget();
    const ServerCommand clear =
        parts_.behaviours.kickToward(distance(snapshot.ballPosition, target),
                                     geometry.directionTo(snapshot.ballPosition, target), 1, kKeep);
    if (clear.kind == kKickCommand) {
        commands_.append(clear);
    }
}

bool ThinkCycle::kickTo(const PlayerRecord& own, const KickTarget& target, bool holdingStep) {
    const auto kick = finishKick(own, target.target, target.cycles, holdingStep);
    if (!kick) {
        return true;
    }
    if (kick->kind != kNoCommand) {
        commands_.append(*kick);
        return true;
    }
    return false;
}

std::optional<ServerCommand> ThinkCycle::finishKick(const PlayerRecord& own, Vec2 target,
                                                    int cycles, bool holdingStep) {
    const ServerParams& params = parts_.serverParams;
    const Geometry& geometry = parts_.geometry;
    const Behaviours& behaviours = parts_.behaviours;
    const WorldSnapshot& snapshot = world();
    const Vec2 ball = snapshot.ballPosition;
    const double bodyAndBall = params.bodyAndBall(parts_.skills.ownType());
    const auto kickTo = [&](Vec2 point, int n) {
        return behaviours.kickToward(distance(ball, point), geometry.directionTo(ball, point), n,
                                     kKeep);
    };

    const ServerCommand wanted = kickTo(target, cycles);
    if (wanted.kind != kKickCommand || wanted.firstValue <= params.maxPower || !holdingStep) {
        return wanted;
    }
    // The ball cannot be sent that fast now: keep it close and safe for a better kick later.
    Vec2 hold{kNoValue, kNoValue};
    const bool free = parts_.skills.safeBallSpot(0.0, hold);
    const bool holdGiven = hold.x != kNoValue;
    const bool ownMoving = known(own.velocityTime);
    ServerCommand result = wanted;
    if (!free) {
        if (holdGiven) {
            result = kickTo(hold, 1);
        }
    } else if (!holdGiven) {
        const double body = own.bodyDirection;
        Vec2 front = own.position + Vec2{std::cos(body * kDegToRad), std::sin(body * kDegToRad)} *
                                        (bodyAndBall + 0.2);
        if (ownMoving) {
            front += own.velocity;
        }
        result = kickTo(front, 1);
        if (result.kind == kKickCommand && result.firstValue > params.maxPower) {
            const Vec2 ownNext = ownMoving ? own.position + own.velocity : own.position;
            const Vec2 ballNext =
                known(snapshot.ballVelocityTime) ? ball + snapshot.ballVelocity : ball;
            const double gap = distance(ownNext, ballNext);
            if (gap <= kickDistance() && gap >= bodyAndBall + 0.2) {
                return ServerCommand{kNoCommand, kKeep, 0.0, 0.0};
            }
            result = kickTo(ownMoving ? ball + own.velocity : ball, 1);
        }
    } else if (!ownSetPlayPending_ &&
               parts_.dribbler.dribble(commands_, kDribbleAllDirections, kFullDash, kKeep)) {
        return std::nullopt;
    }
    if (result.kind == kKickCommand && result.firstValue <= parts_.skills.weakKickPower()) {
        return wanted;
    }
    return result;
}

void ThinkCycle::goaliePositioning(const PlayerRecord& own) {
    const Geometry& geometry = parts_.geometry;
    const Positioning& positioning = parts_.positioning;
    Skills& skills = parts_.skills;
    const WorldSnapshot& snapshot = world();
    const Vec2 ball = snapshot.ballPosition;
    weights_.ball *= 1000.0;

    const FastestPlayer opponent = skills.fastestOpponent(kFullDash, kUnreachableCycles);
    InterceptResult meeting;
    const int rank = skills.ownInterceptRank(meeting, dashShare_, kUnreachableCycles);
    const int ownCycles = meeting.cycles();
    if (rank != 0 && !opponentSetPlay_) {
        const double margin = ownCycles < opponent.cycles && rank == 1 ? 18.3 : 0.0;
        const Region& region = positioning.formation().playerRegion;
        const Vec2 meet = meeting.targetPosition;
        const double halfGoal = parts_.serverParams.goalPostY();
        const double fromLowerPost = geometry.directionTo({kOwnGoal.x, -halfGoal}, ball);
        const double fromUpperPost = geometry.directionTo({kOwnGoal.x, halfGoal}, ball);
        const double bisector = geometry.addAngles(
            fromLowerPost, geometry.subtractAngles(fromUpperPost, fromLowerPost) / 2.0);
        const bool covering =
            skills.facingWithin(bisector, geometry.directionTo(own.position, ball),
                                distance(own.position, ball), catchReach(), 0.0, false) ||
            ownCycles <= opponent.cycles;
        if (meet.x < region.xMax + margin && region.yMin - margin / 2.0 < meet.y &&
            meet.y < region.yMax + margin / 2.0 && covering &&
            (rank == 1 || !positioning.teammateNear(ball, 4.0 * kickDistance(), false))) {
            parts_.behaviours.interceptBall(commands_, meeting, kKeep);
            keepLookWeights_ = true;
            return;
        }
    }
    const Vec2 watched = ownCycles > opponent.cycles && rank == 1 && opponent.result
                             ? opponent.result->targetPosition
                             : ball;
    const Vec2 spot = positioning.goaliePosition(watched);
    if (positioning.withinKickDistance(spot, own.position)) {
        return;
    }
    double share = dashShare_;
    // A ball rolling away from the own goal far out leaves time to walk.
    if (distance(ball, kOwnGoal) > 18.3 && known(snapshot.ballVelocityTime) &&
        std::abs(geometry.directionOf(snapshot.ballVelocity)) > 90.0) {
        share = kWalkDash;
    }
    parts_.behaviours.goToPoint(commands_, spot, share, kUnreachableCycles, kKeep);
}

void ThinkCycle::fieldPositioning(const PlayerRecord& own) {
    const Positioning& positioning = parts_.positioning;
    Skills& skills = parts_.skills;
    const Behaviours& behaviours = parts_.behaviours;
    const Vec2 ball = world().ballPosition;

    // The kicker of an own set play runs to the ball: the referee drops it if the kick waits.
    const double toBallShare = ownSetPlay_ ? kFullDash : dashShare_;
    const int teammateCycles = skills.fastestTeammate(toBallShare, 0).cycles;
    const int opponentCycles = skills.fastestOpponent(kFullDash, kUnreachableCycles).cycles;
    choosePhaseFormation(teammateCycles < opponentCycles);
    // The own set play has been taken and a teammate gets there first.
    if (ownSetPlayPending_ && !ownSetPlay_ && teammateCycles < opponentCycles - 2) {
        return;
    }

    InterceptResult meeting;
    const int rank = skills.ownInterceptRank(meeting, toBallShare, 0);
    if (rank != 0 && !opponentSetPlay_ &&
        Positioning::insideRegion(meeting.targetPosition, kField, 5.0)) {
        const bool go =
            rank == 1 || (rank == 2 && !positioning.teammateNear(ball, 18.3, true)) ||
            (rank == 2 && ownSetPlay_ &&
             !positioning.twoTeammatesNear(ball, kFreeKickDistance - kickDistance(), true));
        if (go) {
            if (meeting.cycles() <= 5 && teammateCycles < opponentCycles) {
                weights_.opponents *= 100.0;
                weights_.teammates *= 10.0;
            }
            behaviours.interceptBall(commands_, meeting, kKeep);
            keepLookWeights_ = true;
            return;
        }
    }

    if ((teammateCycles > opponentCycles - 4 && ball.x < -12.625) ||
        (teammateCycles > opponentCycles - 6 && ball.x < -26.25)) {
        Vec2 mark;
        if (positioning.markingPosition(mark) &&
            !positioning.withinKickDistance(mark, own.position)) {
            const bool beforeSay = cycleBeforeOwnSay();
            const int essential = beforeSay ? kLookMayCancel : kKeep;
            if (!opponentSetPlay_) {
                behaviours.goToPoint(commands_, mark, dashShare_, 0, essential);
                return;
            }
            if (distance(ball, mark) > kFreeKickDistance) {
                if (!beforeSay) {
                    weights_.opponents *= 100.0;
                }
                behaviours.goToPoint(commands_, mark, dashShare_, 0, essential);
                keepLookWeights_ = true;
                return;
            }
        }
    }

    if (kickOffMode_) {
        return;
    }
    // A role without a strategic position leaves the target on the player: it stays put.
    Vec2 target = own.position;
    double share = dashShare_;
    if (positioning.strategicPosition(target, share) &&
        !positioning.withinKickDistance(target, own.position)) {
        behaviours.goToPoint(commands_, target, share, 1, kKeep);
    }
}

void ThinkCycle::choosePhaseFormation(bool ownBall) {
    const int type = ownSetPlay_ ? kSetPlayFormation
                     : ownBall   ? kAttackFormation
                                 : kDefenceFormation;
    parts_.positioning.setFormation(parts_.strategySet.selectFormation(type));
}

bool ThinkCycle::seeArrivesInTime() const {
    if (parts_.cycleTimer.synchSee) {
        // The next visual message comes at the start of a coming cycle, after these commands.
        return true;
    }
    const ServerParams& params = parts_.serverParams;
    const double next = parts_.cycleTimer.seeOffset - params.bodySenseInterval +
                        viewWidthFactor(parts_.self.wantedViewWidth) * params.visualIntervalNormal;
    return next < params.cycleLength - params.serverReceiveStep - 15;
}

void ThinkCycle::look() {
    if (!seeArrivesInTime()) {
        return;
    }
    const LookPlan plan = parts_.lookPlanner.planLookDirections(
        commands_, weights_.ball, weights_.teammates, weights_.opponents);
    // The kicker of an own set play looks round with its neck alone: a body turned away from
    // the goal has to turn back before the kick, and the set play waits.
    const PlayerRecord* own = ownRecord();
    const bool holdBody =
        ownSetPlay_ && parts_.config.isGoalie == 0 && own != nullptr && known(own->bodyTime) &&
        known(own->positionTime) && known(world().ballPositionTime) &&
        parts_.positioning.withinKickDistance(world().ballPosition, own->position);
    if (plan.count > 0) {
        double direction = plan.entries[0].direction;
        if (holdBody) {
            const ServerParams& params = parts_.serverParams;
            const Geometry& geometry = parts_.geometry;
            // Just inside the neck's range, so that rounding never asks for a body turn.
            const double relative =
                std::clamp(geometry.subtractAngles(direction, own->bodyDirection),
                           params.minNeckAngle + 1.0, params.maxNeckAngle - 1.0);
            direction = geometry.addAngles(own->bodyDirection, relative);
        }
        parts_.behaviours.lookToward(commands_, direction, kKeep);
    } else {
        parts_.behaviours.scanTurn(commands_, kKeep);
    }
}

}  // namespace zamo
