#include "tools/practice_server/show_message.h"

#include <cstdio>

#include "gamelog/frame.h"
#include "tools/practice_server/messages.h"
#include "tools/practice_server/visual.h"

namespace zamo::practice {

namespace {

// The real server's precision for positions and speeds, and for directions.
constexpr double kPositionStep = 0.0001;
constexpr double kDirectionStep = 0.001;
// A negative stamina capacity means none: this server does not limit recovery.
constexpr const char* kNoCapacity = "-1";
constexpr double kWaitingLineOffset = 3.0;  // newcomers wait this far beyond the top line

void appendQuantized(std::string& out, double v, double step) {
    out += ' ';
    out += formatNumber(quantizeValue(v, step));
}

void appendCount(std::string& out, int v) {
    out += ' ';
    out += std::to_string(v);
}

std::string hexState(std::uint32_t state) {
    // As the server prints it: "0" without a base, else "0x" and lower-case digits.
    if (state == 0) {
        return "0";
    }
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", state);
    return text;
}

std::string teamWord(std::string_view name) {
    return name.empty() ? std::string("null") : std::string(name);
}

void playerEntry(std::string& out, const ServerParams& params, const PlayerState& p, int side,
                 int number) {
    const bool shown = p.number != 0 && p.active;
    std::uint32_t state = 0;
    if (shown) {
        state = gamelog::kStateStand | p.actionFlags;
        if (p.goalie) {
            state |= gamelog::kStateGoalie;
        }
    }
    out += " ((";
    out += sideLetter(side);
    out += ' ';
    out += std::to_string(number);
    out += ") 0 ";
    out += hexState(state);
    Vec2 pos = p.pos;
    if (p.number == 0) {
        pos = {(side == kLeft ? -kWaitingLineOffset : kWaitingLineOffset) * number,
               -kHalfWidth - kWaitingLineOffset};
    }
    appendQuantized(out, pos.x, kPositionStep);
    appendQuantized(out, pos.y, kPositionStep);
    appendQuantized(out, p.vel.x, kPositionStep);
    appendQuantized(out, p.vel.y, kPositionStep);
    appendQuantized(out, p.body, kDirectionStep);
    appendQuantized(out, p.neck, kDirectionStep);
    out += p.viewQuality == 1 ? " (v h" : " (v l";
    appendQuantized(out, viewAngle(params, p.viewWidth, p.synchSee), kDirectionStep);
    // An empty place shows a fresh player, as the real server does.
    const bool fresh = p.number == 0;
    out += ") (fp 0 0) (s ";
    out += formatNumber(fresh ? params.staminaMax : p.stamina);
    out += ' ';
    out += formatNumber(fresh ? params.effortInit : p.effort);
    out += ' ';
    out += formatNumber(fresh ? params.recoverInit : p.recovery);
    out += ' ';
    out += kNoCapacity;
    out += ')';
    if (shown && p.focusSide != 0) {
        out += " (f ";
        out += p.focusSide;
        out += ' ';
        out += std::to_string(p.focusNumber);
        out += ')';
    }
    out += " (c";
    for (const int c :
         {p.kickCount, p.dashCount, p.turnCount, p.catchCount, p.moveCount, p.turnNeckCount,
          p.changeViewCount, p.sayCount, p.tackleCount, p.armCount, p.focusCount, 0}) {
        appendCount(out, c);
    }
    out += "))";
}

}  // namespace

int serverPlayModeNumber(PlayMode mode) {
    std::string_view name = playModeName(mode);
    if (mode == kGoalieCatchBallL) {
        name = "free_kick_l";
    } else if (mode == kGoalieCatchBallR) {
        name = "free_kick_r";
    }
    return gamelog::playModeNumber(name).value_or(0);
}

std::string_view serverPlayModeName(PlayMode mode) {
    return gamelog::playModeName(serverPlayModeNumber(mode));
}

std::string showEntries(const ServerParams& params, const BallState& ball,
                        std::span<const PlayerState> players) {
    std::string out;
    out.reserve(4096);
    out += " ((b)";
    appendQuantized(out, ball.pos.x, kPositionStep);
    appendQuantized(out, ball.pos.y, kPositionStep);
    appendQuantized(out, ball.vel.x, kPositionStep);
    appendQuantized(out, ball.vel.y, kPositionStep);
    out += ')';
    for (std::size_t i = 0; i < players.size(); ++i) {
        const int side = i < 11 ? kLeft : kRight;
        playerEntry(out, params, players[i], side, static_cast<int>(i % 11) + 1);
    }
    return out;
}

std::string monitorShowMessage(const ShowSnapshot& s) {
    return "(show " + std::to_string(s.time) + " (pm " +
           std::to_string(serverPlayModeNumber(s.mode)) + ") (tm " + teamWord(s.leftName) + ' ' +
           teamWord(s.rightName) + ' ' + std::to_string(s.leftScore) + ' ' +
           std::to_string(s.rightScore) + ')' + std::string(s.entries) + ')';
}

std::string logShowLine(const ShowSnapshot& s) {
    return "(show " + std::to_string(s.time) + std::string(s.entries) + ')';
}

std::string logPlayModeLine(const ShowSnapshot& s) {
    return "(playmode " + std::to_string(s.time) + ' ' + std::string(serverPlayModeName(s.mode)) +
           ')';
}

std::string logTeamLine(const ShowSnapshot& s) {
    return "(team " + std::to_string(s.time) + ' ' + teamWord(s.leftName) + ' ' +
           teamWord(s.rightName) + ' ' + std::to_string(s.leftScore) + ' ' +
           std::to_string(s.rightScore) + ')';
}

}  // namespace zamo::practice
