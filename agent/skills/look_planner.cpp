// Where to look next: the neck and body directions that see what matters most.
#include "agent/skills/look_planner.h"

#include <algorithm>
#include <cmath>

#include "agent/config/agent_config.h"
#include "agent/config/server_params.h"
#include "agent/perception/geometry.h"
#include "agent/perception/self_state.h"
#include "agent/perception/world_snapshot.h"
#include "agent/skills/skills.h"

namespace zamo {
namespace {

// Nearer objects matter more; this is farther than anything on the field.
constexpr double kFarthest = 105.0;
constexpr double kBallUrgency = 1000.0;
// The opponent goalie dominates the view when the own player is near the ball to shoot.
constexpr double kGoalieUrgency = 100000.0;
constexpr double kShootingRange = 9.15;
constexpr double kGoalieWatchRange = 36.6;

int binOf(double direction) {
    const int bin = static_cast<int>(direction + 180.0) % kLookBins;
    return bin < 0 ? bin + kLookBins : bin;
}

double viewFactor(int viewWidth) {
    switch (viewWidth) {
        case 0:
            return 0.5;
        case 2:
            return 2.0;
        default:
            return 1.0;
    }
}

}  // namespace

LookPlan LookPlanner::planLookDirections(const CommandList& commands, double ballWeight,
                                         double teammateWeight, double opponentWeight) const {
    LookPlan result;
    const WorldSnapshot& w = history_.currentSnapshot();
    const int own = config_.uniformNumber - 1;
    if (!known(w.time) || own < 0 || own >= kTeamSize ||
        !known(w.teammates[static_cast<std::size_t>(own)].positionTime)) {
        return result;
    }
    const int now = w.time;
    const Vec2 ownObserved = w.teammates[static_cast<std::size_t>(own)].position;
    const Vec2 predictedSelf = skills_.predictSelfPosition(commands);
    const Vec2 viewpoint = predictedSelf.x == kNoValue ? ownObserved : predictedSelf;

    std::array<double, kLookBins> scores{};
    const auto add = [&](Vec2 place, double weight) {
        scores[static_cast<std::size_t>(binOf(geometry_.directionTo(viewpoint, place)))] += weight;
    };

    const bool ballKnown = known(w.ballPositionTime);
    if (ballKnown) {
        // A ball another player can touch may go anywhere: look where it is now.
        const bool contested = skills_.ballTouchedByOther();
        const Vec2 predictedBall = skills_.predictBallPosition(commands);
        const Vec2 place =
            predictedBall.x == kNoValue || contested ? w.ballPosition : predictedBall;
        const double age = now - w.ballPositionTime;
        add(place,
            (age + 1.0) * kBallUrgency * (kFarthest - distance(viewpoint, place)) * ballWeight);
    }
    const bool nearBall = ballKnown && distance(ownObserved, w.ballPosition) < kShootingRange;
    for (int i = 0; i < kTeamSize; ++i) {
        const auto index = static_cast<std::size_t>(i);
        for (const bool opponent : {false, true}) {
            const PlayerRecord& record = opponent ? w.opponents[index] : w.teammates[index];
            if ((!opponent && i == own) || !known(record.positionTime) ||
                record.positionTime == now) {
                continue;
            }
            const Vec2 place =
                known(record.velocityTime) ? record.position + record.velocity : record.position;
            const double range = distance(viewpoint, place);
            double weight = (now - record.positionTime) * (kFarthest - range);
            if (!opponent) {
                add(place, weight * teammateWeight);
                continue;
            }
            if (known(record.goalieTime) && record.goalie != 0 && nearBall &&
                range < kGoalieWatchRange) {
                weight *= kGoalieUrgency;
            }
            add(place, weight * opponentWeight);
        }
    }

    struct Entry {
        int angle = 0;
        double score = 0.0;
    };
    std::array<Entry, kLookBins> entries{};
    int count = 0;
    for (int bin = 0; bin < kLookBins; ++bin) {
        if (scores[static_cast<std::size_t>(bin)] > 0.0) {
            entries[static_cast<std::size_t>(count++)] = {bin,
                                                          scores[static_cast<std::size_t>(bin)]};
        }
    }
    if (count == 0) {
        return result;
    }

    // Slide a window as wide as the view cone round the circle of entries; past the last
    // entry the first ones come again, a full turn on.
    const double width = params_.visibleAngle * viewFactor(self_.viewWidth);
    const auto angleAt = [&](int k) {
        return entries[static_cast<std::size_t>(k % count)].angle + (k >= count ? kLookBins : 0);
    };
    const auto scoreAt = [&](int k) { return entries[static_cast<std::size_t>(k % count)].score; };
    struct Ranked {
        LookDirection look;
        int order = 0;
    };
    std::array<Ranked, kLookBins> ranked{};
    int end = 0;
    double sum = 0.0;
    for (int start = 0; start < count; ++start) {
        if (end <= start) {
            end = start;
            sum = 0.0;
        }
        while (end < start + count && angleAt(end) < angleAt(start) + width) {
            sum += scoreAt(end);
            ++end;
        }
        const double first = angleAt(start);
        const double middle = (angleAt(end - 1) - first) / 2.0;
        ranked[static_cast<std::size_t>(start)] = {
            {geometry_.addAngles(geometry_.subtractAngles(first, 180.0), middle), sum}, start};
        sum -= scoreAt(start);
    }
    // Highest score first; equal scores keep their order.
    std::sort(ranked.begin(), ranked.begin() + count, [](const Ranked& a, const Ranked& b) {
        return a.look.score > b.look.score || (a.look.score == b.look.score && a.order < b.order);
    });
    for (int k = 0; k < count; ++k) {
        result.entries[static_cast<std::size_t>(k)] = ranked[static_cast<std::size_t>(k)].look;
    }
    result.count = count;
    return result;
}

}  // namespace zamo
