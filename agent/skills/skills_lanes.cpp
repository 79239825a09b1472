// Skills: lane tests and the lane-clearing shift.
#include <cmath>

#include "agent/config/agent_config.h"
#include "agent/config/server_params.h"
#include "agent/perception/geometry.h"
#include "agent/perception/world_snapshot.h"
#include "agent/skills/skills.h"
#include "agent/skills/skills_support.h"

namespace zamo {

namespace {

// Farther along any lane than anything on the field can be.
const double kNoBlockerAhead = std::sqrt(19309.0);

}  // namespace

bool Skills::blocksLane(Vec2 start, Vec2 end, Vec2 point, double length, double halfWidth,
                        double margin) const {
    const Vec2 rotated = rotateAbout(start, point, -geometry_.directionTo(start, end));
    return rotated.x > start.x - margin && rotated.x - start.x < length + margin &&
           start.y - halfWidth - margin < rotated.y && rotated.y < start.y + halfWidth + margin;
}

double Skills::laneAhead(Vec2 start, Vec2 end, Vec2 point) const {
    return rotateAbout(start, point, -geometry_.directionTo(start, end)).x - start.x;
}

bool Skills::playerBlocksLane(Vec2 start, Vec2 end, PlayerSide side, int index,
                              double margin) const {
    if (side == PlayerSide::kTeammate && index == config_.uniformNumber - 1) {
        return false;
    }
    const PlayerRecord* record = playerRecord(side, index);
    if (record == nullptr || !known(record->positionTime)) {
        return false;
    }
    const double width = 2.0 * typeOf(*record).playerSize;
    return blocksLane(start, end, predictedPlayer(*record), distance(start, end) + width, width,
                      margin);
}

bool Skills::ballBlocksLane(Vec2 start, Vec2 end, double margin) const {
    const WorldSnapshot& snapshot = world();
    if (!known(snapshot.ballPositionTime)) {
        return false;
    }
    const Vec2 ball = known(snapshot.ballVelocityTime)
                          ? snapshot.ballPosition + snapshot.ballVelocity
                          : snapshot.ballPosition;
    const double halfWidth = params_.bodyAndBall(ownType());
    return blocksLane(start, end, ball, distance(start, end) + halfWidth, halfWidth, margin);
}

bool Skills::laneBlocked(Vec2 start, Vec2 end, bool testOpponents, bool testTeammates,
                         double margin) const {
    for (int i = 0; i < kTeamSize; ++i) {
        if ((testTeammates && playerBlocksLane(start, end, PlayerSide::kTeammate, i, margin)) ||
            (testOpponents && playerBlocksLane(start, end, PlayerSide::kOpponent, i, margin))) {
            return true;
        }
    }
    return false;
}

bool Skills::laneClear(Vec2 start, Vec2 end, bool testOpponents, bool testTeammates, bool testBall,
                       double margin) const {
    if (testBall && ballBlocksLane(start, end, margin)) {
        return false;
    }
    return !laneBlocked(start, end, testOpponents, testTeammates, margin);
}

Vec2 Skills::laneClearingShift(Vec2 start, Vec2 end, bool testOpponents, bool testTeammates,
                               bool testBall, double margin) const {
    const PlayerRecord* own = ownRecord();
    if (own != nullptr && known(own->velocityTime)) {
        start += own->velocity;
    }
    if (laneClear(start, end, testOpponents, testTeammates, testBall, margin)) {
        return end;
    }

    // The blocker nearest to the start along the lane; the first examined wins a tie.
    const WorldSnapshot& snapshot = world();
    double nearest = kNoBlockerAhead;
    bool found = false;
    bool blockerIsBall = false;
    Vec2 blocker;
    const auto consider = [&](Vec2 point, bool isBall) {
        const double ahead = laneAhead(start, end, point);
        if (ahead < nearest) {
            nearest = ahead;
            found = true;
            blockerIsBall = isBall;
            blocker = point;
        }
    };
    if (testBall && ballBlocksLane(start, end, margin)) {
        consider(known(snapshot.ballVelocityTime) ? snapshot.ballPosition + snapshot.ballVelocity
                                                  : snapshot.ballPosition,
                 true);
    }
    for (int i = 0; i < kTeamSize; ++i) {
        const auto index = static_cast<std::size_t>(i);
        if (testTeammates && playerBlocksLane(start, end, PlayerSide::kTeammate, i, margin)) {
            consider(predictedPlayer(snapshot.teammates[index]), false);
        }
        if (testOpponents && playerBlocksLane(start, end, PlayerSide::kOpponent, i, margin)) {
            consider(predictedPlayer(snapshot.opponents[index]), false);
        }
    }
    if (!found) {
        return end;
    }

    const PlayerType& type = ownType();
    const double step = params_.playerAccelMax - params_.playerAccelMax * type.playerDecay;
    const double clearance = blockerIsBall ? margin + params_.bodyAndBall(type) + step
                                           : 2.0 * type.playerSize + 2.0 * step + margin;
    if (distance(start, blocker) >= clearance) {
        return end;
    }
    // Step out of the blocker's shadow: clearance to the side of the end-blocker line on which
    // the start lies, and clearance back towards the end.
    const double towardsBlocker = geometry_.directionTo(end, blocker);
    const Vec2 rotated = rotateAbout(end, start, -towardsBlocker);
    const Vec2 shifted{rotated.x - clearance,
                       end.y <= rotated.y ? end.y + clearance : end.y - clearance};
    return rotateAbout(end, shifted, towardsBlocker);
}

}  // namespace zamo
