// Sends the decision's commands within the server's limits and records what went out.
#include "agent/runtime/command_sender.h"

#include <algorithm>
#include <cmath>

#include "agent/config/server_params.h"
#include "agent/net/command_formatter.h"
#include "agent/perception/clock.h"
#include "agent/perception/geometry.h"
#include "agent/perception/self_state.h"

namespace zamo {

namespace {

bool isMissing(double value) {
    return value == kNoValue || !std::isfinite(value);
}

}  // namespace

std::optional<double> CommandSender::ownSpeed() const {
    const Vec2 velocity = self_.velocity;
    if (isMissing(velocity.x) || isMissing(velocity.y)) {
        return std::nullopt;
    }
    return length(velocity);
}

void CommandSender::noteSent() {
    lastSent_ = std::chrono::steady_clock::now();
    if (!sentSinceMark_) {
        firstSent_ = lastSent_;
        sentSinceMark_ = true;
    }
}

void CommandSender::markSendTimes() {
    sentSinceMark_ = false;
}

std::optional<std::chrono::steady_clock::time_point> CommandSender::firstSentSinceMark() const {
    return sentSinceMark_ ? std::optional(firstSent_) : std::nullopt;
}

std::optional<std::chrono::steady_clock::time_point> CommandSender::lastSentSinceMark() const {
    return sentSinceMark_ ? std::optional(lastSent_) : std::nullopt;
}

void CommandSender::record(int kind, double firstValue, double secondValue) {
    noteSent();
    history_.add({kind, clock_.cycle, firstValue, secondValue});
}

bool CommandSender::doCatch(double direction) {
    direction = geometry_.clampMoment(direction);
    if (!formatter_.sendCatch(direction)) {
        return false;
    }
    ++counters_.catchCount;
    record(kCatchCommand, direction, 0.0);
    return true;
}

bool CommandSender::doDash(double power) {
    power = geometry_.clampPower(power);
    if (!formatter_.sendDash(power)) {
        return false;
    }
    ++counters_.dashCount;
    record(kDashCommand, power, 0.0);
    return true;
}

bool CommandSender::doKick(double power, double direction) {
    power = geometry_.clampPower(power);
    direction = geometry_.clampMoment(direction);
    if (!formatter_.sendKick(power, direction)) {
        return false;
    }
    ++counters_.kickCount;
    record(kKickCommand, power, direction);
    return true;
}

bool CommandSender::doMove(double x, double y) {
    x = Geometry::clampFieldX(x);
    y = Geometry::clampFieldY(y);
    if (!formatter_.sendMove(x, y)) {
        return false;
    }
    ++counters_.moveCount;
    record(kMoveCommand, x, y);
    return true;
}

bool CommandSender::doTurn(double angle) {
    // The server divides a turn's moment by (1 + inertia moment * speed).
    if (const auto speed = ownSpeed()) {
        angle *= *speed * params_.playerType(self_.type).inertiaMoment + 1.0;
    }
    const double moment = geometry_.clampMoment(angle);
    if (!formatter_.sendTurn(moment)) {
        return false;
    }
    ++counters_.turnCount;
    record(kTurnCommand, moment, 0.0);
    return true;
}

bool CommandSender::doTackle(double power) {
    power = geometry_.clampPower(power);
    if (!formatter_.sendTackle(power)) {
        return false;
    }
    ++counters_.tackleCount;
    record(kTackleCommand, power, 0.0);
    return true;
}

bool CommandSender::doTurnNeck(double neckTurn) {
    neckTurn = geometry_.clampNeckMoment(neckTurn);
    if (!formatter_.sendTurnNeck(neckTurn)) {
        return false;
    }
    ++counters_.turnNeckCount;
    record(kTurnNeckCommand, neckTurn, 0.0);
    return true;
}

bool CommandSender::doChangeView(int widthCode, int qualityCode) {
    if (!formatter_.sendChangeView(widthCode, qualityCode)) {
        return false;
    }
    ++counters_.changeViewCount;
    record(kChangeViewCommand, widthCode, qualityCode);
    return true;
}

bool CommandSender::doSay(std::string_view text) {
    if (text.empty() || !formatter_.sendSay(text)) {
        return false;
    }
    ++counters_.sayCount;
    noteSent();
    return true;
}

bool CommandSender::doBye() {
    return formatter_.sendBye();
}

bool CommandSender::doDone() {
    return formatter_.sendDone();
}

void CommandSender::executeCommands(const CommandList& commands) {
    const int count = std::clamp(commands.count, 0, static_cast<int>(commands.entries.size()));
    for (int i = 0; i < count; ++i) {
        const ServerCommand& command = commands.entries[static_cast<std::size_t>(i)];
        switch (command.kind) {
            case kCatchCommand:
                doCatch(command.firstValue);
                break;
            case kDashCommand:
                doDash(command.firstValue);
                break;
            case kKickCommand:
                doKick(command.firstValue, command.secondValue);
                break;
            case kMoveCommand:
                doMove(command.firstValue, command.secondValue);
                break;
            case kTurnCommand:
                doTurn(command.firstValue);
                break;
            case kTackleCommand:
                doTackle(command.firstValue);
                break;
            case kTurnNeckCommand:
                doTurnNeck(command.firstValue);
                break;
            default:
                break;
        }
    }
}

}  // namespace zamo
