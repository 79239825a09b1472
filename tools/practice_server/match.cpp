#include "tools/practice_server/match.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <optional>
#include <utility>

#include "agent/perception/geometry.h"
#include "gamelog/frame.h"
#include "tools/practice_server/game_log_writer.h"
#include "tools/practice_server/messages.h"
#include "tools/practice_server/parameter_set.h"
#include "tools/practice_server/physics.h"
#include "tools/practice_server/referee.h"
#include "tools/practice_server/show_message.h"
#include "tools/practice_server/visual.h"

namespace zamo::practice {

namespace {

constexpr std::size_t kTeamNameMax = 15;
// From this protocol version on visual messages come in step with the cycles, as the real
// server sends them.
constexpr double kSynchSeeVersion = 18.0;
constexpr const char* kNoMorePlayers = "(error no_more_player_or_goalie_or_illegal_client_version)";

int indexOf(int side, int number) {
    return (side - 1) * 11 + number - 1;
}

bool validTeamName(std::string_view name) {
    return std::all_of(name.begin(), name.end(), [](unsigned char c) {
        return std::isalnum(c) != 0 || c == '_' || c == '-';
    });
}

}  // namespace

Match::Match(const ServerParams& params, const MatchOptions& options)
    : params_(params), options_(options), random_(options.seed) {}

PlayerState* Match::player(int side, int number) {
    if ((side != kLeft && side != kRight) || number < 1 || number > 11) {
        return nullptr;
    }
    PlayerState& p = players_[indexOf(side, number)];
    return p.number == 0 ? nullptr : &p;
}

void Match::receiveOnMainPort(Peer from, std::string_view text, long long nowMs) {
    if (const auto version = MonitorClients::introductionVersion(text)) {
        return connectMonitor(from, *version);
    }
    const ClientCommand c = parseClientCommand(text);
    if (c.kind == CommandKind::kInit) {
        registerPlayer(from, c, nowMs);
    } else if (c.kind == CommandKind::kReconnect) {
        reconnectPlayer(from, c, nowMs);
    } else {
        outgoing_.push_back({-1, from,
                             c.kind == CommandKind::kIllegal ? "(error illegal_command_form)"
                                                             : "(error unknown_command)"});
    }
}

void Match::registerPlayer(Peer from, const ClientCommand& c, long long nowMs) {
    const auto refuse = [&](const char* error) { outgoing_.push_back({-1, from, error}); };
    if (c.text.size() > kTeamNameMax) {
        return refuse("(error illegal_teamname_or_too_long_teamname)");
    }
    if (!validTeamName(c.text)) {
        return refuse("(error illegal_teamname)");
    }
    if (c.version < 7.0 || c.version >= 20.0) {
        return refuse(kNoMorePlayers);
    }
    int side = 0;
    for (const int s : {kLeft, kRight}) {
        if (side == 0 && teamNames_[s] == c.text) {
            side = s;
        }
    }
    for (const int s : {kLeft, kRight}) {
        if (side == 0 && teamNames_[s].empty()) {
            side = s;
        }
    }
    if (side == 0) {
        return refuse("(error no_more_team)");
    }
    int number = 0;
    for (int n = 1; n <= 11; ++n) {
        const PlayerState& q = players_[indexOf(side, n)];
        if (number == 0 && q.number == 0) {
            number = n;
        }
        if (c.goalie && q.number != 0 && q.goalie) {
            return refuse(kNoMorePlayers);
        }
    }
    if (number == 0) {
        return refuse(kNoMorePlayers);
    }
    teamNames_[side] = c.text;
    PlayerState& p = players_[indexOf(side, number)];
    p = PlayerState{};
    p.side = side;
    p.number = number;
    p.goalie = c.goalie;
    p.version = c.version;
    // Newcomers wait beside the top line, facing the other goal.
    p.pos = {(side == kLeft ? -3.0 : 3.0) * number, -kHalfWidth - 3.0};
    p.body = side == kLeft ? 0.0 : 180.0;
    p.stamina = params_.staminaMax;
    p.effort = params_.effortInit;
    p.recovery = params_.recoverInit;
    welcome(p,
            "(init " + std::string(1, sideLetter(side)) + ' ' + std::to_string(number) + ' ' +
                std::string(playModeName(mode_)) + ')',
            from, nowMs);
}

void Match::connectMonitor(Peer from, double version) {
    if (version != MonitorClients::kVersion) {
        outgoing_.push_back({-1, from, "(error illegal_client_version)"});
        return;
    }
    // A monitor introducing itself again (it found the server silent) starts afresh.
    if (const auto known = monitors_.connectionOf(from)) {
        monitors_.remove(*known);
        closedConnections_.push_back(*known);
    } else if (monitors_.full()) {
        outgoing_.push_back({-1, from, "(error no_more_monitor)"});
        return;
    }
    const int connection = nextConnection_++;
    monitors_.add(connection, from);
    for (std::string& m : parameterMessages(params_, kAllParametersVersion)) {
        outgoing_.push_back({connection, from, std::move(m)});
    }
}

void Match::monitorCommand(int connection, Peer from, std::string_view text) {
    const MonitorClient* monitor = monitors_.find(connection);
    if (monitor == nullptr || !(monitor->peer == from)) {
        return;
    }
    if (text.starts_with("(dispbye)")) {
        monitors_.remove(connection);
        closedConnections_.push_back(connection);
    } else if (text.starts_with("(dispstart)") && mode_ == kBeforeKickOff && !finished_) {
        kickOff(half_ % 2 == 1 ? kLeft : kRight);
    }
}

void Match::reconnectPlayer(Peer from, const ClientCommand& c, long long nowMs) {
    int side = 0;
    for (const int s : {kLeft, kRight}) {
        if (!teamNames_[s].empty() && teamNames_[s] == c.text) {
            side = s;
        }
    }
    PlayerState* p = player(side, c.number);
    if (p == nullptr) {
        outgoing_.push_back({-1, from, "(error no_such_team_or_player)"});
        return;
    }
    if (mode_ == kPlayOn) {
        outgoing_.push_back({-1, from, "(error cannot_reconnect_while_playon)"});
        return;
    }
    welcome(*p,
            "(reconnect " + std::string(1, sideLetter(side)) + ' ' +
                std::string(playModeName(mode_)) + ')',
            from, nowMs);
}

void Match::welcome(PlayerState& p, const std::string& reply, Peer from, long long nowMs) {
    if (p.connection >= 0) {
        closedConnections_.push_back(p.connection);
    }
    p.active = true;
    p.connection = nextConnection_++;
    p.peer = from;
    p.nextSeeMs = nowMs + params_.visualIntervalNormal;
    p.synchSee = p.version >= kSynchSeeVersion;
    p.cyclesSinceSee = 0;
    if (mode_ == kBeforeKickOff) {
        waitCycles_ = 0;
    }
    sendTo(p, reply);
    for (std::string& m : parameterMessages(params_, p.version)) {
        sendTo(p, std::move(m));
    }
    // Who plays with another type than the default, as the real server tells a newcomer.
    for (const PlayerState& q : players_) {
        if (q.active && q.type != kDefaultPlayerType) {
            sendTo(p, changePlayerTypeMessage(
                          q.number, q.side == p.side ? std::optional<int>(q.type) : std::nullopt));
        }
    }
}

void Match::receiveOnConnection(int connection, Peer from, std::string_view text) {
    if (monitors_.find(connection) != nullptr) {
        return monitorCommand(connection, from, text);
    }
    PlayerState* found = nullptr;
    for (PlayerState& p : players_) {
        if (p.active && p.connection == connection && p.peer == from) {
            found = &p;
        }
    }
    if (found == nullptr || finished_) {
        return;
    }
    PlayerState& p = *found;
    const ClientCommand c = parseClientCommand(text);
    switch (c.kind) {
        case CommandKind::kUnknown:
            return sendTo(p, "(error unknown_command)");
        case CommandKind::kIllegal:
        case CommandKind::kInit:
        case CommandKind::kReconnect:
            return sendTo(p, "(error illegal_command_form)");
        case CommandKind::kBye:
            p.active = false;
            closedConnections_.push_back(std::exchange(p.connection, -1));
            if (holder_ == indexOf(p.side, p.number)) {
                holder_ = -1;
            }
            return;
        case CommandKind::kScore:
            return sendTo(p, scoreMessage(time_, score_[p.side], score_[otherSide(p.side)]));
        case CommandKind::kDone:
            p.thinking = false;
            return;
        case CommandKind::kSay:
            // Longer messages are dropped without a word, as the real server does.
            if (!p.sayDone && c.text.size() <= static_cast<std::size_t>(kSayMaxLength)) {
                p.sayDone = true;
                ++p.sayCount;
                said_.push_back({p.side, p.number, p.pos, c.text});
            }
            return;
        case CommandKind::kChangeView:
            p.viewWidth = c.viewWidth;
            p.viewQuality = c.viewQuality;
            ++p.changeViewCount;
            return;
        case CommandKind::kTurnNeck:
            if (!p.neckDone) {
                p.neckDone = true;
                p.neck = neckAfterTurn(params_, p.neck, c.first);
                ++p.turnNeckCount;
            }
            return;
        case CommandKind::kPointTo:
            ++p.armCount;
            return;
        case CommandKind::kAttentionTo:
            if (c.side == 0) {
                p.focusSide = 0;
                p.focusNumber = 0;
            } else {
                const bool ours = c.relativeSide ? c.side == 'o' : c.side == sideLetter(p.side);
                p.focusSide = sideLetter(ours ? p.side : otherSide(p.side));
                p.focusNumber = c.number;
            }
            ++p.focusCount;
            return;
        default:
            return bodyCommand(p, c);
    }
}

void Match::bodyCommand(PlayerState& p, const ClientCommand& c) {
    // One body command per cycle, the first; none while a tackle holds the player down.
    if (p.bodyDone || p.tackleExpires > 0) {
        return;
    }
    p.bodyDone = true;
    switch (c.kind) {
        case CommandKind::kDash:
            p.accel = dashAcceleration(params_, p, c.first);
            ++p.dashCount;
            break;
        case CommandKind::kTurn:
            p.body = normalizeAngle(p.body + turnAngle(params_, p, c.first));
            ++p.turnCount;
            break;
        case CommandKind::kKick:
            kick(p, c);
            break;
        case CommandKind::kCatch:
            catchBall(p, c.first);
            break;
        case CommandKind::kMove:
            move(p, c.first, c.second);
            break;
        case CommandKind::kTackle:
            tackle(p, c.first);
            break;
        default:
            break;
    }
}

bool Match::mayPlayBall(const PlayerState& p) const {
    if (mode_ == kPlayOn) {
        return true;
    }
    // A set play is taken by its side only; a caught ball only by the goalie holding it.
    if (setPlaySide(mode_) != p.side || mode_ == kGoalieCatchBallL || mode_ == kGoalieCatchBallR) {
        return false;
    }
    return holder_ < 0 || holder_ == indexOf(p.side, p.number);
}

void Match::ballPlayed(const PlayerState& p) {
    lastTouch_ = p.side;
    holder_ = -1;
    if (mode_ != kPlayOn) {
        changeMode(kPlayOn, "play_on");
    }
}

void Match::kick(PlayerState& p, const ClientCommand& c) {
    p.actionFlags |= gamelog::kStateKick;
    if (!mayPlayBall(p) || !ballKickable(params_, p, ball_.pos)) {
        p.actionFlags |= gamelog::kStateKickFault;
        return;
    }
    ++p.kickCount;
    ball_.accel += kickAcceleration(params_, p, ball_.pos, c.first, c.second);
    ballPlayed(p);
}

void Match::catchBall(PlayerState& p, double direction) {
    p.actionFlags |= gamelog::kStateCatch;
    if (!p.goalie) {
        p.actionFlags |= gamelog::kStateCatchFault;
        return;
    }
    ++p.catchCount;
    if (mode_ != kPlayOn || p.catchBan > 0) {
        p.actionFlags |= gamelog::kStateCatchFault;
        return;
    }
    p.catchBan = params_.catchBanCycles;
    direction = std::clamp(direction, params_.minMoment, params_.maxMoment);
    if (!inOwnPenaltyArea(p.side, p.pos) || !inOwnPenaltyArea(p.side, ball_.pos) ||
        !ballCatchable(params_, p, ball_.pos, direction)) {
        p.actionFlags |= gamelog::kStateCatchFault;
        return;
    }
    lastTouch_ = p.side;
    holder_ = indexOf(p.side, p.number);
    ball_.vel = {};
    ball_.accel = {};
    ball_.pos = p.pos + polar(params_.playerSize + params_.ballSize, p.body);
    changeMode(p.side == kLeft ? kGoalieCatchBallL : kGoalieCatchBallR,
               p.side == kLeft ? "goalie_catch_ball_l" : "goalie_catch_ball_r");
}

void Match::tackle(PlayerState& p, double power) {
    ++p.tackleCount;
    p.tackleExpires = params_.tackleCycles;
    p.actionFlags |= gamelog::kStateTackle;
    if (!mayPlayBall(p)) {
        p.actionFlags |= gamelog::kStateTackleFault;
        return;
    }
    const double fail = tackleFailProbability(params_, p.pos, p.body, ball_.pos);
    if (fail >= 1.0 || random_.uniform() < fail) {
        p.actionFlags |= gamelog::kStateTackleFault;
        return;
    }
    power = std::clamp(power, params_.minPower, params_.maxPower);
    ball_.accel += polar(params_.tacklePowerRate * power, p.body);
    ballPlayed(p);
}

void Match::move(PlayerState& p, double x, double y) {
    const bool holding = holder_ == indexOf(p.side, p.number);
    const bool allowed = mode_ == kBeforeKickOff || mode_ == kGoalL || mode_ == kGoalR || holding;
    if (!allowed) {
        return;
    }
    // The client gives its own frame, in which it always attacks towards +x.
    const Vec2 target = p.side == kLeft ? Vec2{x, y} : Vec2{-x, -y};
    if (holding && !inOwnPenaltyArea(p.side, target)) {
        return;
    }
    p.pos = target;
    p.vel = {};
    p.accel = {};
    ++p.moveCount;
    if (holding) {
        ball_.pos = p.pos + polar(params_.playerSize + params_.ballSize, p.body);
    }
}

void Match::step() {
    if (finished_) {
        return;
    }
    const Vec2 ballBefore = ball_.pos;
    advanceBall(params_, ball_);
    for (PlayerState& p : players_) {
        if (!p.active) {
            continue;
        }
        advancePlayer(params_, p);
        recoverStamina(params_, p);
        p.tackleExpires = std::max(0, p.tackleExpires - 1);
        p.catchBan = std::max(0, p.catchBan - 1);
        p.bodyDone = p.neckDone = p.sayDone = false;
    }
    const int toucher = resolveCollisions(params_, players_, ball_);
    if (toucher >= 0 && mode_ == kPlayOn) {
        lastTouch_ = players_[toucher].side;
    }
    if (holder_ >= 0) {
        const PlayerState& g = players_[holder_];
        ball_.pos = g.pos + polar(params_.playerSize + params_.ballSize, g.body);
        ball_.vel = {};
    }
    if (!timeStands()) {
        ++time_;
    }
    ++waitCycles_;
    refereeAfterStep(ballBefore);
    for (PlayerState& p : players_) {
        if (!p.active) {
            continue;
        }
        sendTo(p, senseBodyMessage(time_, p));
        if (p.synchSee && ++p.cyclesSinceSee >= synchSeeInterval(p.viewWidth)) {
            sendTo(p, buildSee(params_, time_, p, players_, ball_, teamNames_, random_));
            p.cyclesSinceSee = 0;
        }
    }
    hearSays();
    showCycle();
}

void Match::showCycle() {
    if (!monitors_.clients().empty() || gameLog_ != nullptr) {
        const std::string entries = showEntries(params_, ball_, players_);
        ShowSnapshot snapshot;
        snapshot.time = time_;
        snapshot.mode = mode_;
        snapshot.leftName = teamNames_[kLeft];
        snapshot.rightName = teamNames_[kRight];
        snapshot.leftScore = score_[kLeft];
        snapshot.rightScore = score_[kRight];
        snapshot.entries = entries;
        if (!monitors_.clients().empty()) {
            const std::string show = monitorShowMessage(snapshot);
            for (const MonitorClient& m : monitors_.clients()) {
                outgoing_.push_back({m.connection, m.peer, show});
            }
        }
        if (gameLog_ != nullptr) {
            gameLog_->write(snapshot);
        }
    }
    // A tackle shows for as long as it holds the player down; the rest for one cycle.
    constexpr std::uint32_t kLasting = gamelog::kStateTackle | gamelog::kStateTackleFault;
    for (PlayerState& p : players_) {
        p.actionFlags &= p.tackleExpires > 0 ? kLasting : 0U;
    }
}

bool Match::timeStands() const {
    return mode_ == kBeforeKickOff || mode_ == kGoalL || mode_ == kGoalR;
}

void Match::refereeAfterStep(Vec2 ballBefore) {
    const bool anyone = std::any_of(players_.begin(), players_.end(),
                                    [](const PlayerState& p) { return p.active; });
    if (mode_ == kBeforeKickOff) {
        ball_ = {};
        if (anyone && waitCycles_ >= options_.kickOffWait) {
            kickOff(half_ % 2 == 1 ? kLeft : kRight);
        }
        return;
    }
    if (mode_ == kGoalL || mode_ == kGoalR) {
        ball_ = {};
        if (waitCycles_ >= options_.afterGoalWait) {
            kickOff(mode_ == kGoalL ? kRight : kLeft);
        }
        return;
    }
    if (time_ >= options_.halfCycles * half_) {
        ball_ = {};
        holder_ = -1;
        if (half_ >= options_.halves) {
            changeMode(kTimeOver, "time_over");
            finished_ = true;
            report_.push_back("final score: " + scoreLine());
            return;
        }
        ++half_;
        announce("half_time");
        changeMode(kBeforeKickOff, "before_kick_off");
        return;
    }
    if (mode_ == kGoalieCatchBallL || mode_ == kGoalieCatchBallR) {
        changeMode(mode_ == kGoalieCatchBallL ? kFreeKickL : kFreeKickR,
                   mode_ == kGoalieCatchBallL ? "free_kick_l" : "free_kick_r");
        return;
    }
    if (mode_ != kPlayOn) {
        // The ball waits on its spot until the set play is taken, or is dropped there.
        if (holder_ < 0) {
            ball_.pos = restartSpot_;
            ball_.vel = {};
        }
        if (waitCycles_ >= options_.dropBallWait) {
            holder_ = -1;
            announce("drop_ball");
            changeMode(kPlayOn, "play_on");
        }
        return;
    }
    const auto decision = judgeBall(params_, ballBefore, ball_.pos, lastTouch_);
    if (!decision) {
        return;
    }
    ball_ = {};
    ball_.pos = decision->place;
    restartSpot_ = decision->place;
    if (decision->mode == kGoalL || decision->mode == kGoalR) {
        const int scorer = decision->mode == kGoalL ? kLeft : kRight;
        ++score_[scorer];
        const std::string goal =
            std::string("goal_") + sideLetter(scorer) + '_' + std::to_string(score_[scorer]);
        changeMode(decision->mode, goal);
        report_.push_back(goal + " at cycle " + std::to_string(time_) + ": " + scoreLine());
        return;
    }
    changeMode(decision->mode, playModeName(decision->mode));
}

void Match::kickOff(int side) {
    ball_ = {};
    restartSpot_ = {};
    holder_ = -1;
    lastTouch_ = 0;
    placeForKickOff(players_, side);
    if (time_ == 0) {
        for (const TypeChange& change : assignPlayerTypes(params_, players_)) {
            const PlayerState& changed = players_[static_cast<std::size_t>(change.index)];
            for (const PlayerState& p : players_) {
                if (p.active) {
                    sendTo(p, changePlayerTypeMessage(changed.number,
                                                      p.side == changed.side
                                                          ? std::optional<int>(change.type)
                                                          : std::nullopt));
                }
            }
        }
    }
    changeMode(side == kLeft ? kKickOffL : kKickOffR, side == kLeft ? "kick_off_l" : "kick_off_r");
}

void Match::changeMode(PlayMode mode, std::string_view announcement) {
    mode_ = mode;
    waitCycles_ = 0;
    if (!announcement.empty()) {
        announce(announcement);
    }
}

void Match::announce(std::string_view text) {
    for (const PlayerState& p : players_) {
        if (p.active) {
            sendTo(p, refereeMessage(time_, text));
        }
    }
}

void Match::hearSays() {
    // Each listener hears its own message and at most one message of each team per cycle.
    for (const PlayerState& listener : players_) {
        if (!listener.active) {
            continue;
        }
        std::array<bool, 3> heardTeam{};
        for (const SaidMessage& m : said_) {
            const bool self = m.side == listener.side && m.number == listener.number;
            if (!self && (heardTeam[m.side] || distance(m.pos, listener.pos) > kAudioCutDistance)) {
                continue;
            }
            if (!self) {
                heardTeam[m.side] = true;
            }
            sendTo(listener, heardMessage(time_, listener, m));
        }
    }
    said_.clear();
}

void Match::sendDueSees(long long nowMs) {
    for (PlayerState& p : players_) {
        if (!p.active || p.synchSee || p.nextSeeMs > nowMs || finished_) {
            continue;
        }
        sendTo(p, buildSee(params_, time_, p, players_, ball_, teamNames_, random_));
        const long long interval = params_.visualIntervalNormal *
                                   (p.viewWidth == 0   ? 1
                                    : p.viewWidth == 1 ? 2
                                                       : 4) /
                                   2;
        // A host that fell behind skips the missed messages instead of sending a burst.
        p.nextSeeMs = std::max(p.nextSeeMs + interval, nowMs + 1);
    }
}

void Match::sendThink() {
    for (PlayerState& p : players_) {
        if (p.active && !finished_) {
            sendTo(p, "(think)");
            p.thinking = true;
        }
    }
}

bool Match::allDone() const {
    return std::none_of(players_.begin(), players_.end(),
                        [](const PlayerState& p) { return p.active && p.thinking; });
}

long long Match::nextSeeDue() const {
    long long next = -1;
    for (const PlayerState& p : players_) {
        if (p.active && !p.synchSee && (next < 0 || p.nextSeeMs < next)) {
            next = p.nextSeeMs;
        }
    }
    return next;
}

void Match::sendTo(const PlayerState& p, std::string text) {
    outgoing_.push_back({p.connection, p.peer, std::move(text)});
}

std::vector<Outgoing> Match::takeOutgoing() {
    return std::exchange(outgoing_, {});
}

std::vector<int> Match::takeClosedConnections() {
    return std::exchange(closedConnections_, {});
}

std::vector<std::string> Match::takeReport() {
    return std::exchange(report_, {});
}

std::string Match::teamLabel(int side) const {
    return teamNames_[side].empty() ? (side == kLeft ? "left" : "right") : teamNames_[side];
}

std::string Match::scoreLine() const {
    return teamLabel(kLeft) + ' ' + std::to_string(score_[kLeft]) + " - " +
           std::to_string(score_[kRight]) + ' ' + teamLabel(kRight);
}

}  // namespace zamo::practice
