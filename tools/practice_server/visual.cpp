#include "tools/practice_server/visual.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "agent/perception/geometry.h"
#include "agent/perception/landmarks.h"
#include "tools/practice_server/messages.h"
#include "tools/practice_server/physics.h"

namespace zamo::practice {

namespace {

struct Mark {
    std::string name;  // as in a see message: "f r b 30", "g l"
    Vec2 pos;
};

// The 53 flags of the landmark table and the two goals.
const std::vector<Mark>& fieldMarks() {
    static const std::vector<Mark> marks = [] {
        std::vector<Mark> m;
        for (int i = 0; i < kLandmarkCount; ++i) {
            const Landmark& l = landmarkTable()[i];
            m.push_back({"f " + std::string(l.name), {l.x, l.y}});
        }
        m.push_back({"g l", {-kHalfLength, 0}});
        m.push_back({"g r", {kHalfLength, 0}});
        return m;
    }();
    return marks;
}

void appendNumber(std::string& out, double v) {
    out += ' ';
    out += formatNumber(v);
}

// Close objects show their motion (and players their number) always, far ones never, and in
// between with a chance falling linearly with the distance.
bool shownAtDistance(double d, double sure, double never, RandomSource& random) {
    if (d <= sure) {
        return true;
    }
    if (d >= never) {
        return false;
    }
    return random.uniform() < (never - d) / (never - sure);
}

}  // namespace

double quantizeValue(double v, double q) {
    return std::rint(v / q) * q;
}

int roundDegrees(double a) {
    return static_cast<int>(std::rint(a));
}

double seenDistance(double d, double step) {
    return quantizeValue(std::exp(quantizeValue(std::log(d + 1e-10), step)), 0.1);
}

int seenDirection(double relative) {
    // Rounding may carry a direction just inside the range onto -180, which is 180.
    const int d = roundDegrees(normalizeAngle(relative));
    return d == -180 ? 180 : d;
}

SeenChanges seenChanges(Vec2 rp, Vec2 rv, double seenDist) {
    const double r2 = rp.x * rp.x + rp.y * rp.y;
    if (r2 <= 0.0) {
        return {};
    }
    return {seenDist * quantizeValue((rv.x * rp.x + rv.y * rp.y) / r2, 0.02),
            quantizeValue((rp.x * rv.y - rp.y * rv.x) / r2 * kRadToDeg, 0.1)};
}

double viewAngle(const ServerParams& params, int viewWidth, bool synchSee) {
    if (synchSee) {
        // The in-step messages come more often, so their cones are as wide as the interval
        // allows: two thirds, four thirds and twice the visible angle.
        return params.visibleAngle * 2.0 * synchSeeInterval(viewWidth) / 3.0;
    }
    return viewWidth == 0 ? params.visibleAngle / 2.0
                          : (viewWidth == 2 ? params.visibleAngle * 2.0 : params.visibleAngle);
}

int synchSeeInterval(int viewWidth) {
    return viewWidth == 0 ? 1 : (viewWidth == 2 ? 3 : 2);
}

bool inViewCone(const ServerParams& params, const PlayerState& observer, Vec2 target) {
    const double relative = normalizeAngle(directionOf(target - observer.pos) - observer.head());
    return std::abs(relative) <= viewAngle(params, observer.viewWidth, observer.synchSee) / 2.0;
}

int sightLines(Vec2 pos, double head, std::array<LineSighting, 4>& out) {
    const double c = std::cos(head * kDegToRad);
    const double s = std::sin(head * kDegToRad);
    constexpr double kSlack = 1e-9;
    int count = 0;
    const auto consider = [&](int line, bool vertical, double at) {
        const double along = vertical ? c : s;
        if (std::abs(along) < 1e-12) {
            return;
        }
        const double t = ((vertical ? at - pos.x : at - pos.y)) / along;
        if (t <= 0.0) {
            return;
        }
        const double cross = vertical ? pos.y + t * s : pos.x + t * c;
        const double limit = vertical ? kHalfWidth : kHalfLength;
        if (std::abs(cross) > limit + kSlack) {
            return;
        }
        // The line's angle relative to the head, folded into (-90, 90].
        double relative = normalizeAngle((vertical ? 90.0 : 0.0) - head);
        if (relative > 90.0) {
            relative -= 180.0;
        } else if (relative <= -90.0) {
            relative += 180.0;
        }
        out[count++] = {line, t, relative};
    };
    consider(0, true, -kHalfLength);
    consider(1, false, -kHalfWidth);
    consider(2, false, kHalfWidth);
    consider(3, true, kHalfLength);
    std::sort(out.begin(), out.begin() + count,
              [](const LineSighting& a, const LineSighting& b) { return a.distance < b.distance; });
    // A ray through a corner touches two lines at one point; the field has one exit there.
    if (count > 2) {
        count = 2;
    }
    return count;
}

std::string buildSee(const ServerParams& params, int time, const PlayerState& observer,
                     std::span<const PlayerState> players, const BallState& ball,
                     const std::array<std::string, 3>& teamNames, RandomSource& random) {
    const bool high = observer.viewQuality == 1;
    const double head = observer.head();
    std::string out = "(see " + std::to_string(time);

    // Opens one object's item: named with its numbers in the cone, anonymous with distance and
    // direction within the visible distance around. The caller closes the item.
    enum class Seen { kNot, kAnonymous, kNamed };
    const auto open = [&](const std::string& name, const char* anonymous, Vec2 pos, Vec2 vel,
                          double step, bool withChanges) {
        const Vec2 rp = pos - observer.pos;
        const double d = length(rp);
        const bool inCone = inViewCone(params, observer, pos);
        if (!inCone && d > kVisibleDistance) {
            return Seen::kNot;
        }
        const double seen = seenDistance(d, step);
        out += " ((";
        out += inCone ? name : std::string(anonymous);
        out += ')';
        if (high || !inCone) {
            appendNumber(out, seen);
        }
        out += ' ' + std::to_string(seenDirection(directionOf(rp) - head));
        if (inCone && high && withChanges) {
            const SeenChanges ch = seenChanges(rp, vel - observer.vel, seen);
            appendNumber(out, ch.distChange);
            appendNumber(out, ch.dirChange);
        }
        return inCone ? Seen::kNamed : Seen::kAnonymous;
    };

    for (const Mark& m : fieldMarks()) {
        const bool changes = shownAtDistance(distance(m.pos, observer.pos), kUnumFarLength,
                                             kUnumTooFarLength, random);
        if (open(m.name, m.name[0] == 'g' ? "G" : "F", m.pos, {}, params.landmarkQuantizeStep,
                 changes) != Seen::kNot) {
            out += ')';
        }
    }
    const bool ballChanges = shownAtDistance(distance(ball.pos, observer.pos), kUnumFarLength,
                                             kUnumTooFarLength, random);
    if (open("b", "B", ball.pos, ball.vel, kMovingQuantizeStep, ballChanges) != Seen::kNot) {
        out += ')';
    }
    for (const PlayerState& p : players) {
        if (!p.active || &p == &observer) {
            continue;
        }
        const double d = distance(p.pos, observer.pos);
        const bool number = shownAtDistance(d, kUnumFarLength, kUnumTooFarLength, random);
        const bool team = number || shownAtDistance(d, kTeamFarLength, kTeamTooFarLength, random);
        std::string name = "p";
        if (team) {
            name += " \"" + teamNames[p.side] + "\"";
            if (number) {
                name += ' ' + std::to_string(p.number);
                if (p.goalie) {
                    name += " goalie";
                }
            }
        }
        const Seen seen = open(name, "P", p.pos, p.vel, kMovingQuantizeStep, number);
        if (seen == Seen::kNot) {
            continue;
        }
        if (seen == Seen::kNamed && high && number) {
            out += ' ' + std::to_string(seenDirection(p.body - head));
            out += ' ' + std::to_string(seenDirection(p.head() - head));
        }
        if (seen == Seen::kNamed && p.tackleExpires > 0) {
            out += " t";
        }
        out += ')';
    }
    std::array<LineSighting, 4> lines;
    const int count = sightLines(observer.pos, head, lines);
    static constexpr const char* kLineNames[] = {"l l", "l t", "l b", "l r"};
    for (int i = 0; i < count; ++i) {
        out += " ((";
        out += kLineNames[lines[i].line];
        out += ')';
        if (high) {
            appendNumber(out, seenDistance(lines[i].distance, params.landmarkQuantizeStep));
        }
        out += ' ' + std::to_string(roundDegrees(lines[i].direction));
        out += ')';
    }
    out += ')';
    return out;
}

}  // namespace zamo::practice
