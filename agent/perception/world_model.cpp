// The belief about the game: prediction, body sense, visual and teammate messages into snapshots.
#include "agent/perception/world_model.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "agent/config/agent_config.h"
#include "agent/config/server_params.h"
#include "agent/perception/clock.h"
#include "agent/perception/geometry.h"
#include "agent/perception/localiser.h"
#include "agent/perception/play_mode.h"
#include "agent/perception/self_state.h"
#include "agent/perception/sensor_parser.h"
#include "agent/perception/sensor_store.h"
#include "agent/perception/sent_command_history.h"

namespace zamo {

namespace {

// A ball or player not seen for this many cycles is forgotten.
constexpr int kBallMemory = 10;
constexpr int kTeammateMemory = 10;
constexpr int kOpponentMemory = 50;
// An unnumbered player is taken for the nearest known one closer than this.
constexpr double kMatchRadius = 5.0;
// Beyond this a seen object's numbers are no object of the field.
constexpr double kMaxSeenDistance = 1000.0;
constexpr double kMaxSeenDirection = 360.0;

bool placeable(const SeenObject& object) {
    return given(object.distance) && object.distance >= 0.0 &&
           object.distance <= kMaxSeenDistance && given(object.direction) &&
           std::abs(object.direction) <= kMaxSeenDirection;
}

// The moving object's velocity from how fast its distance and direction change, relative to an
// observer at distance r moving with ownVelocity.
Vec2 velocityFromChanges(Vec2 offset, double r, double distChange, double dirChangeDeg,
                         Vec2 ownVelocity) {
    const double radial = r > 0.0 ? distChange / r : 0.0;
    const double turn = dirChangeDeg * kDegToRad;
    return {offset.x * radial + ownVelocity.x - turn * offset.y,
            turn * offset.x + offset.y * radial + ownVelocity.y};
}

// Whether now lies more than memory cycles after time; safe for any int.
bool olderThan(int time, int now, int memory) {
    return static_cast<std::int64_t>(time) < static_cast<std::int64_t>(now) - memory;
}

void forgetIfOld(int& positionTime, int& velocityTime, int now, int memory) {
    if (!olderThan(positionTime, now, memory)) {
        return;
    }
    positionTime = kNoTime;
    if (olderThan(velocityTime, now, memory)) {
        velocityTime = kNoTime;
    }
}

void scaleToLength(Vec2& v, double maximum) {
    const double l = length(v);
    if (l > maximum && l > 0.0) {
        v = v * (maximum / l);
    }
}

}  // namespace

WorldModel::WorldModel(const ServerParams& params, const AgentConfig& config,
                       const Geometry& geometry, Localiser& localiser, const Clock& clock,
                       const PlayModeState& playMode, SensorStore& sensors,
                       const SentCommandHistory& sent, SelfState& self, WorldHistory& history)
    : params_(params),
      config_(config),
      geometry_(geometry),
      localiser_(localiser),
      clock_(clock),
      playMode_(playMode),
      sensors_(sensors),
      sent_(sent),
      self_(self),
      history_(history) {}

PlayerRecord* WorldModel::ownRecord(WorldSnapshot& snapshot) const {
    const int number = config_.uniformNumber;
    if (number < 1 || number > kTeamSize) {
        return nullptr;
    }
    return &snapshot.teammates[static_cast<std::size_t>(number - 1)];
}

void WorldModel::resetSnapshot(int index) {
    if (index < 0 || index >= kHistorySize) {
        return;
    }
    WorldSnapshot& s = history_.snapshots[static_cast<std::size_t>(index)];
    s.ballPositionTime = kNoTime;
    s.ballVelocityTime = kNoTime;
    for (auto* team : {&s.teammates, &s.opponents}) {
        for (PlayerRecord& r : *team) {
            r.goalieTime = kNoTime;
            r.positionTime = kNoTime;
            r.velocityTime = kNoTime;
            r.bodyTime = kNoTime;
            r.neckTime = kNoTime;
            r.catchBanTime = kNoTime;
            r.tackleTime = kNoTime;
            r.armTime = kNoTime;
            r.focusTime = kNoTime;
            r.viewWidthTime = kNoTime;
            r.viewQualityTime = kNoTime;
            r.staminaTime = kNoTime;
            r.effortTime = kNoTime;
            r.recoveryTime = kNoTime;
        }
    }
}

void WorldModel::resetWorld() {
    SensorStore& sensors = sensors_;
    sensors.lastSee.time = kNoTime;
    sensors.lastBody.time = kNoTime;
    sensors.lastHearFromTeammate.time = kNoTime;
    for (int i = 0; i < kHistorySize; ++i) {
        resetSnapshot(i);
        // Cycles of an earlier connection must not count as the one before the next message.
        history_.snapshots[static_cast<std::size_t>(i)].time = kNoTime;
    }
    history_.current = 0;
    // The server tells the types again after every (re)connection.
    for (WorldSnapshot& snapshot : history_.snapshots) {
        for (auto* team : {&snapshot.teammates, &snapshot.opponents}) {
            for (PlayerRecord& r : *team) {
                r.type = kDefaultPlayerType;
            }
        }
    }
    self_.type = kDefaultPlayerType;
    clearTeamMessage(teamMessage_);
    resetStamina(self_, params_);
    self_.beforeKickOffCount = 0;
}

void WorldModel::updateWorld() {
    const int d = clock_.cycle;
    const int e = history_.currentSnapshot().time;
    int steps = (e >= d || d < 0 || e < 0) ? 1 : d - e;
    // Older predictions would be overwritten in the ring before anyone could read them.
    steps = std::min(steps, kHistorySize);
    const SensorStore& sensors = sensors_;
    const bool cycleKnown = d != kNoTime;

    for (int i = 0; i < steps; ++i) {
        const int p = history_.current;
        history_.current = (p + 1) % kHistorySize;
        resetSnapshot(history_.current);
        WorldSnapshot& prev = history_.snapshots[static_cast<std::size_t>(p)];
        WorldSnapshot& next = history_.currentSnapshot();
        if (i == steps - 1) {
            next.time = d;
            next.playModeTime = playMode_.time;
            next.playMode = playMode_.mode;
            const ScoreBlock& score = self_.score;
            next.firstScoreTime = score.firstScoreTime;
            next.firstScore = score.firstScore;
            next.secondScoreTime = score.secondScoreTime;
            next.secondScore = score.secondScore;
            const HearInfo& hear = sensors.lastHearFromTeammate;
            if (cycleKnown && hear.time == d) {
                clearTeamMessage(teamMessage_);
                if (decodeTeamMessage(teamMessage_, hear.textView(), hear.time, hear.senderNumber,
                                      params_)) {
                    mergeTeamMessage(teamMessage_, prev);
                }
            }
        } else {
            next.time = d - (steps - 1 - i);
            next.playModeTime = prev.playModeTime;
            next.playMode = prev.playMode;
            next.firstScoreTime = prev.firstScoreTime;
            next.firstScore = prev.firstScore;
            next.secondScoreTime = prev.secondScoreTime;
            next.secondScore = prev.secondScore;
        }
        carryOver(prev, next);
    }

    if (cycleKnown && sensors.lastBody.time == d) {
        applySenseBody(sensors.lastBody);
    }
    if (cycleKnown && sensors.lastSee.time == d) {
        applySee(sensors.lastSee);
    }
}

void WorldModel::carryOver(const WorldSnapshot& prev, WorldSnapshot& next) {
    const ServerParams& params = params_;
    SelfState& self = self_;

    // Groups unknown in prev carry kNoTime, so copying whole records copies the known ones.
    next.ballPositionTime = prev.ballPositionTime;
    next.ballPosition = prev.ballPosition;
    next.ballVelocityTime = prev.ballVelocityTime;
    next.ballVelocity = prev.ballVelocity;
    next.teammates = prev.teammates;
    next.opponents = prev.opponents;

    applyOwnCommands(prev, next);

    PlayerRecord* own = ownRecord(next);
    if (own != nullptr) {
        const auto countDown = [](int time, int& value) {
            if (known(time) && value > 0) {
                --value;
            }
        };
        countDown(own->catchBanTime, own->catchBan);
        countDown(own->tackleTime, own->tackleExpires);
        countDown(own->armTime, own->armExpires);
        countDown(own->armTime, own->armMovable);
        if (known(own->catchBanTime)) {
            self.catchBan = own->catchBan;
        }
        if (known(own->tackleTime)) {
            self.tackleExpires = own->tackleExpires;
        }
        if (known(own->armTime)) {
            self.armExpires = own->armExpires;
            self.armMovable = own->armMovable;
        }
    }

    if (known(next.ballVelocityTime)) {
        if (known(next.ballPositionTime)) {
            next.ballPosition += next.ballVelocity;
        }
        next.ballVelocity = next.ballVelocity * params.ballDecay;
    }
    for (auto* team : {&next.teammates, &next.opponents}) {
        for (PlayerRecord& r : *team) {
            if (known(r.velocityTime)) {
                if (known(r.positionTime)) {
                    r.position += r.velocity;
                }
                r.velocity = r.velocity * params.playerType(r.type).playerDecay;
            }
        }
    }
    if (own != nullptr) {
        if (known(own->positionTime)) {
            self.position = own->position;
        }
        if (known(own->velocityTime)) {
            self.velocity = own->velocity;
            self.speed = length(own->velocity);
            self.velocityDirection = geometry_.directionOf(own->velocity);
        }
    }

    // Stamina bookkeeping as the server does it at the end of a cycle.
    const PlayerType& type = params.playerType(self.type);
    const double staminaMax = params.staminaMax;
    if (self.stamina <= params.recoverDecThr * staminaMax && self.recovery > params.recoverMin) {
        self.recovery = std::max(self.recovery - params.recoverDec, params.recoverMin);
    }
    if (self.stamina <= params.effortDecThr * staminaMax && self.effort > type.effortMin) {
        self.effort = std::max(self.effort - params.effortDec, type.effortMin);
    }
    if (self.stamina >= params.effortIncThr * staminaMax && self.effort < type.effortMax) {
        self.effort = std::min(self.effort + params.effortInc, type.effortMax);
    }
    double recovered =
        std::max(0.0, std::min(self.recovery * type.staminaIncMax, staminaMax - self.stamina));
    // What a half's stamina capacity no longer holds is not recovered.
    if (params.staminaCapacity >= 0.0) {
        recovered = std::min(recovered, std::max(self.staminaCapacity, 0.0));
        self.staminaCapacity = std::max(self.staminaCapacity - recovered, 0.0);
    }
    self.stamina = std::min(self.stamina + recovered, staminaMax);
    if (own != nullptr) {
        own->stamina = self.stamina;
        own->staminaTime = next.time;
        own->effort = self.effort;
        own->effortTime = next.time;
        own->recovery = self.recovery;
        own->recoveryTime = next.time;
    }
}

void WorldModel::applyOwnCommands(const WorldSnapshot& prev, WorldSnapshot& next) {
    PlayerRecord* own = ownRecord(next);
    if (own == nullptr) {
        return;
    }
    const ServerParams& params = params_;
    const Geometry& geometry = geometry_;
    const SenseBodyInfo& body = sensors_.lastBody;
    SelfState& self = self_;
    const PlayerType& type = params.playerType(self.type);

    // A command counts only when the server's counter shows it was carried out.
    const auto executed = [&](int cycle, int kind, int serverCount,
                              int ownCount) -> std::optional<SentCommandRecord> {
        if (serverCount == kNoTime || serverCount <= ownCount) {
            return std::nullopt;
        }
        return sent_.find(cycle, kind);
    };
    const int cycle = prev.time;

    if (const auto c = executed(cycle, kCatchCommand, body.catchCount, self.catchCount)) {
        if (known(own->positionTime) && known(own->bodyTime)) {
            const double b = own->bodyDirection * kDegToRad;
            next.ballPosition =
                own->position + Vec2{std::cos(b), std::sin(b)} * params.bodyAndBall(type);
        }
        next.ballVelocity = {0.0, 0.0};
        own->velocity = {0.0, 0.0};
        own->catchBan = params.catchBanCycles;
        if (!known(own->catchBanTime)) {
            own->catchBanTime = next.time;
        }
        self.catchBan = own->catchBan;
    } else if (const auto dash = executed(cycle, kDashCommand, body.dashCount, self.dashCount)) {
        // A backward dash costs twice its power; beyond the stamina only the type's extra
        // stamina pays, and the dash shrinks to what was paid.
        const double wanted = dash->firstValue;
        const double cost = std::min(wanted > 0.0 ? wanted : -2.0 * wanted,
                                     std::max(self.stamina, 0.0) + type.extraStamina);
        const double power = wanted > 0.0 ? cost : -0.5 * cost;
        if (known(own->bodyTime) && known(own->velocityTime)) {
            const double b = own->bodyDirection * kDegToRad;
            own->velocity +=
                Vec2{std::cos(b), std::sin(b)} * (self.effort * type.dashPowerRate * power);
            scaleToLength(own->velocity, type.playerSpeedMax);
        }
        self.stamina = std::max(self.stamina - cost, 0.0);
    } else if (const auto kick = executed(cycle, kKickCommand, body.kickCount, self.kickCount)) {
        if (known(own->positionTime) && known(own->bodyTime) && known(next.ballPositionTime)) {
            // A ball of unknown motion was taken to rest at the feet; it has the kick's now.
            if (!known(next.ballVelocityTime)) {
                next.ballVelocity = {0.0, 0.0};
                next.ballVelocityTime = next.ballPositionTime;
            }
            const double dirDiff = std::abs(geometry.subtractAngles(
                geometry.directionTo(own->position, next.ballPosition), own->bodyDirection));
            const double distDiff =
                distance(own->position, next.ballPosition) - params.bodyAndBall(type);
            const double rate = type.kickPowerRate * (1.0 - 0.25 * dirDiff / 180.0 -
                                                      0.25 * distDiff / type.kickableMargin);
            const double k = geometry.addAngles(own->bodyDirection, kick->secondValue) * kDegToRad;
            Vec2 accel = Vec2{std::cos(k), std::sin(k)} * (rate * kick->firstValue);
            scaleToLength(accel, params.ballAccelMax);
            next.ballVelocity += accel;
            scaleToLength(next.ballVelocity, params.ballSpeedMax);
        }
    } else if (const auto move = executed(cycle, kMoveCommand, body.moveCount, self.moveCount)) {
        // After a move the agent stands elsewhere: what it saw from before no longer holds.
        // The own record keeps every group, its position and velocity times included.
        const PlayerRecord before = *own;
        resetSnapshot(history_.current);
        *own = before;
        own->position = {move->firstValue, move->secondValue};
        own->velocity = {0.0, 0.0};
    } else if (executed(cycle, kTackleCommand, body.tackleCount, self.tackleCount)) {
        own->tackleExpires = params.tackleCycles;
        if (!known(own->tackleTime)) {
            own->tackleTime = next.time;
        }
        self.tackleExpires = own->tackleExpires;
    } else if (const auto turn = executed(cycle, kTurnCommand, body.turnCount, self.turnCount)) {
        if (known(own->bodyTime) && known(own->velocityTime)) {
            const double actual =
                turn->firstValue / (1.0 + type.inertiaMoment * length(own->velocity));
            own->bodyDirection = geometry.addAngles(own->bodyDirection, actual);
            self.bodyDirection = own->bodyDirection;
        }
    }

    // A kick the server did not carry out found no ball within reach: the ball is not where it
    // was believed to be, and kicking at that place again would fail again.
    if (body.time == next.time && body.kickCount != kNoTime && body.kickCount <= self.kickCount &&
        sent_.find(cycle, kKickCommand)) {
        next.ballPositionTime = kNoTime;
        next.ballVelocityTime = kNoTime;
    }

    // The view control sends change_view during the cycle it is to take effect in.
    if (const auto view =
            executed(next.time, kChangeViewCommand, body.changeViewCount, self.changeViewCount)) {
        own->viewWidth = static_cast<int>(view->firstValue);
        own->viewQuality = static_cast<int>(view->secondValue);
        own->viewWidthTime = next.time;
        own->viewQualityTime = next.time;
        self.viewWidth = own->viewWidth;
        self.viewQuality = own->viewQuality;
    }
    if (const auto neck =
            executed(cycle, kTurnNeckCommand, body.turnNeckCount, self.turnNeckCount)) {
        if (known(own->neckTime)) {
            own->neckAngle = geometry.addAngles(own->neckAngle, neck->firstValue);
            self.neckAngle = own->neckAngle;
        }
    }
}

void WorldModel::applySenseBody(const SenseBodyInfo& body) {
    PlayerRecord* own = ownRecord(history_.currentSnapshot());
    SelfState& self = self_;
    const Geometry& geometry = geometry_;
    const int t = body.time;

    // Items an older protocol does not send keep their values.
    const auto count = [](int reported, int& counter) {
        if (reported != kNoTime) {
            counter = reported;
        }
    };
    count(body.kickCount, self.kickCount);
    count(body.dashCount, self.dashCount);
    count(body.turnCount, self.turnCount);
    count(body.sayCount, self.sayCount);
    count(body.turnNeckCount, self.turnNeckCount);
    count(body.catchCount, self.catchCount);
    count(body.moveCount, self.moveCount);
    count(body.changeViewCount, self.changeViewCount);
    count(body.tackleCount, self.tackleCount);
    count(body.armCount, self.armCount);
    count(body.focusCount, self.focusCount);
    if (given(body.speedAmount)) {
        self.speed = body.speedAmount;
    }

    if (body.viewQuality != kNoTime) {
        self.viewQuality = body.viewQuality;
    }
    if (body.viewWidth != kNoTime) {
        self.viewWidth = body.viewWidth;
    }
    if (given(body.stamina)) {
        self.stamina = body.stamina;
    }
    if (given(body.effort)) {
        self.effort = body.effort;
    }
    if (given(body.staminaCapacity)) {
        self.staminaCapacity = body.staminaCapacity;
    }
    if (given(body.headAngle)) {
        self.neckAngle = body.headAngle;
    }
    if (body.armMovable != kNoTime) {
        self.armMovable = body.armMovable;
        self.armExpires = body.armExpires;
        self.armTargetDistance = body.armTargetDistance;
        self.armTargetDirection = body.armTargetDirection;
    }
    if (body.focusNumber != kNoTime) {
        self.focusSide = body.focusSide;
        self.focusNumber = body.focusNumber;
    }
    if (body.tackleExpires != kNoTime) {
        self.tackleExpires = body.tackleExpires;
    }
    if (own == nullptr) {
        return;
    }

    if (body.viewQuality != kNoTime) {
        own->viewQuality = body.viewQuality;
        own->viewQualityTime = t;
    }
    if (body.viewWidth != kNoTime) {
        own->viewWidth = body.viewWidth;
        own->viewWidthTime = t;
    }
    if (given(body.stamina)) {
        own->stamina = body.stamina;
        own->staminaTime = t;
    }
    if (given(body.effort)) {
        own->effort = body.effort;
        own->effortTime = t;
    }
    if (given(body.headAngle)) {
        own->neckAngle = body.headAngle;
        own->neckTime = t;
    }
    if (body.armMovable != kNoTime) {
        own->armMovable = body.armMovable;
        own->armExpires = body.armExpires;
        own->armTargetDistance = body.armTargetDistance;
        own->armTargetDirection = body.armTargetDirection;
        own->armTime = t;
    }
    if (body.focusNumber != kNoTime) {
        own->focusSide = body.focusSide;
        own->focusNumber = body.focusNumber;
        own->focusTime = t;
    }
    if (body.tackleExpires != kNoTime) {
        own->tackleExpires = body.tackleExpires;
        own->tackleTime = t;
    }

    if (known(own->bodyTime) && given(body.speedAmount) && given(body.speedDirection)) {
        const double v = geometry.addAngles(body.speedDirection,
                                            geometry.addAngles(own->bodyDirection, self.neckAngle));
        own->velocity = Vec2{std::cos(v * kDegToRad), std::sin(v * kDegToRad)} * body.speedAmount;
        own->velocityTime = t;
        self.velocity = own->velocity;
        self.velocityDirection = v;
    }
}

void WorldModel::applySee(const SeeInfo& see) {
    PlayerRecord* own = ownRecord(history_.currentSnapshot());
    if (own == nullptr) {
        return;
    }
    const std::optional<LocalisationResult> place = localiser_.localise(see, config_.side);
    if (!place) {
        return;
    }
    WorldSnapshot& now = history_.currentSnapshot();
    SelfState& self = self_;
    const Geometry& geometry = geometry_;
    const SenseBodyInfo& body = sensors_.lastBody;
    const int t = see.time;

    own->position = {place->x, place->y};
    own->positionTime = t;
    own->goalie = config_.isGoalie;
    own->goalieTime = t;
    own->bodyDirection = geometry.subtractAngles(place->headDirection, self.neckAngle);
    own->bodyTime = t;
    // The speed sensed this cycle, turned into the field frame now that the body is known.
    if (body.time == t && given(body.speedAmount) && given(body.speedDirection)) {
        const double v = geometry.addAngles(geometry.addAngles(own->bodyDirection, self.neckAngle),
                                            body.speedDirection);
        own->velocity = Vec2{std::cos(v * kDegToRad), std::sin(v * kDegToRad)} * body.speedAmount;
        own->velocityTime = t;
    }
    self.position = own->position;
    self.bodyDirection = own->bodyDirection;
    if (known(own->velocityTime)) {
        self.velocity = own->velocity;
        self.speed = length(own->velocity);
        self.velocityDirection = geometry.directionOf(own->velocity);
    }

    seen_.fill(false);
    const std::size_t ownIndex = static_cast<std::size_t>(own - now.teammates.data());
    seen_[ownIndex] = true;

    const Vec2 origin = own->position;
    const double head = geometry.addAngles(own->bodyDirection, self.neckAngle);
    const bool ownVelocityKnown = known(own->velocityTime);
    const Vec2 ownVelocity = own->velocity;
    const int count = std::clamp(see.count, 0, static_cast<int>(see.objects.size()));
    const auto placeOf = [&](const SeenObject& object) {
        const double g = geometry.addAngles(head, object.direction) * kDegToRad;
        return origin + Vec2{std::cos(g), std::sin(g)} * object.distance;
    };

    // Numbered players and the ball first, so that unnumbered players only match the rest.
    bool ballSeen = false;
    for (int i = 0; i < count; ++i) {
        const SeenObject& object = see.objects[static_cast<std::size_t>(i)];
        if (!placeable(object)) {
            continue;
        }
        if (object.kind == kBall) {
            const Vec2 p = placeOf(object);
            now.ballPosition = p;
            now.ballPositionTime = t;
            ballSeen = true;
            if (given(object.distChange) && given(object.dirChange) && ownVelocityKnown) {
                now.ballVelocity = velocityFromChanges(
                    p - origin, object.distance, object.distChange, object.dirChange, ownVelocity);
                now.ballVelocityTime = t;
            }
        } else if (object.kind == kPlayer && (object.id == kOwnTeam || object.id == kOtherTeam) &&
                   object.number >= 1 && object.number <= kTeamSize) {
            const std::size_t index = static_cast<std::size_t>(object.number - 1) +
                                      (object.id == kOtherTeam ? kTeamSize : 0);
            // Nobody else wears the own number in the own team.
            if (index == ownIndex) {
                continue;
            }
            seen_[index] = true;
            updateSeenPlayer(
                object.id == kOtherTeam ? now.opponents[index - kTeamSize] : now.teammates[index],
                object, t);
        }
    }

    // The nearest unmatched known player of a team within the match radius, as a seen_ index.
    const auto nearestOf = [&](int team, Vec2 p, double& best) {
        int found = -1;
        const auto& records = team == kOtherTeam ? now.opponents : now.teammates;
        const std::size_t offset = team == kOtherTeam ? kTeamSize : 0;
        for (std::size_t k = 0; k < records.size(); ++k) {
            if (seen_[k + offset] || !known(records[k].positionTime)) {
                continue;
            }
            const double gap = distance(records[k].position, p);
            if (gap < best) {
                best = gap;
                found = static_cast<int>(k + offset);
            }
        }
        return found;
    };
    const auto recordAt = [&](int index) -> PlayerRecord& {
        return index >= kTeamSize ? now.opponents[static_cast<std::size_t>(index - kTeamSize)]
                                  : now.teammates[static_cast<std::size_t>(index)];
    };
    for (int i = 0; i < count; ++i) {
        const SeenObject& object = see.objects[static_cast<std::size_t>(i)];
        if (object.kind != kPlayer || !placeable(object) ||
            (object.id != kOwnTeam && object.id != kOtherTeam) ||
            (object.number >= 1 && object.number <= kTeamSize)) {
            continue;
        }
        double best = kMatchRadius;
        const int match = nearestOf(object.id, placeOf(object), best);
        if (match >= 0) {
            seen_[static_cast<std::size_t>(match)] = true;
            updateSeenPlayer(recordAt(match), object, t);
        }
    }
    for (int i = 0; i < count; ++i) {
        const SeenObject& object = see.objects[static_cast<std::size_t>(i)];
        if (object.kind != kPlayer || !placeable(object) || object.id != kTeamNotGiven) {
            continue;
        }
        const Vec2 p = placeOf(object);
        double best = kMatchRadius;
        int match = nearestOf(kOwnTeam, p, best);
        if (const int opponent = nearestOf(kOtherTeam, p, best); opponent >= 0) {
            match = opponent;
        }
        if (match >= 0) {
            seen_[static_cast<std::size_t>(match)] = true;
            updateSeenPlayer(recordAt(match), object, t);
        }
    }

    const int mode = playMode_.mode;
    if (mode == kGoalL || mode == kGoalR) {
        // After a goal the ball waits at the centre spot for the kick-off.
        now.ballPosition = {0.0, 0.0};
        now.ballVelocity = {0.0, 0.0};
        now.ballPositionTime = playMode_.time;
        now.ballVelocityTime = playMode_.time;
    }
    expire(t, ballSeen);
}

void WorldModel::updateSeenPlayer(PlayerRecord& record, const SeenObject& object, int time) {
    const Geometry& geometry = geometry_;
    const PlayerRecord& own = *ownRecord(history_.currentSnapshot());
    const double head = geometry.addAngles(own.bodyDirection, self_.neckAngle);
    const double g = geometry.addAngles(head, object.direction) * kDegToRad;
    const Vec2 offset = Vec2{std::cos(g), std::sin(g)} * object.distance;

    record.position = own.position + offset;
    record.positionTime = time;
    if (object.goalie || !known(record.goalieTime)) {
        record.goalie = object.goalie;
        record.goalieTime = time;
    }
    if (given(object.distChange) && given(object.dirChange) && known(own.velocityTime)) {
        record.velocity = velocityFromChanges(offset, object.distance, object.distChange,
                                              object.dirChange, own.velocity);
        record.velocityTime = time;
    }
    // The server gives facings relative to the observer's head, not its body.
    if (given(object.bodyFacing)) {
        record.bodyDirection = geometry.addAngles(head, object.bodyFacing);
        record.bodyTime = time;
        if (given(object.headFacing)) {
            record.neckAngle = geometry.subtractAngles(geometry.addAngles(object.headFacing, head),
                                                       record.bodyDirection);
            record.neckTime = time;
        }
    }
    if (given(object.pointDir) && known(record.bodyTime) && known(record.neckTime)) {
        record.armTargetDirection = geometry.subtractAngles(
            object.pointDir, geometry.addAngles(record.bodyDirection, record.neckAngle));
        record.armTime = time;
        record.armMovable = kNoTime;
        record.armExpires = kNoTime;
        record.armTargetDistance = kNotGiven;
    }
    if (object.tackling) {
        record.tackleTime = time;
        record.tackleExpires = kNoTime;
    }
}

void WorldModel::applyPlayerTypeChange(const PlayerTypeChange& change) {
    if (change.number < 1 || change.number > kTeamSize) {
        return;
    }
    WorldSnapshot& now = history_.currentSnapshot();
    const auto index = static_cast<std::size_t>(change.number - 1);
    PlayerRecord& record = change.ownTeam ? now.teammates[index] : now.opponents[index];
    record.type = change.type;
    // The server gives a player of a new type full stamina, effort and recovery.
    const ServerParams& params = params_;
    const bool own = change.ownTeam && change.number == config_.uniformNumber;
    if (own) {
        SelfState& self = self_;
        self.type = change.type;
        resetStamina(self, params);
        record.stamina = self.stamina;
        record.effort = self.effort;
        record.recovery = self.recovery;
        record.staminaTime = now.time;
        record.effortTime = now.time;
        record.recoveryTime = now.time;
    } else if (known(record.staminaTime)) {
        record.stamina = params.staminaMax;
        record.effort = params.playerType(change.type).effortMax;
        record.recovery = params.recoverInit;
    }
}

void WorldModel::expire(int now, bool ballSeen) {
    WorldSnapshot& s = history_.currentSnapshot();
    if (!ballSeen) {
        forgetIfOld(s.ballPositionTime, s.ballVelocityTime, now, kBallMemory);
    }
    for (std::size_t k = 0; k < kTeamSize; ++k) {
        if (!seen_[k]) {
            forgetIfOld(s.teammates[k].positionTime, s.teammates[k].velocityTime, now,
                        kTeammateMemory);
        }
        if (!seen_[k + kTeamSize]) {
            forgetIfOld(s.opponents[k].positionTime, s.opponents[k].velocityTime, now,
                        kOpponentMemory);
        }
    }
}

}  // namespace zamo
