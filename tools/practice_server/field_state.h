#pragma once

#include <cstdint>
#include <string>

#include "agent/perception/vec2.h"

namespace zamo::practice {

// Everything here is in the simulator's absolute frame: x towards the right goal, y towards the
// bottom line, directions in degrees from +x towards +y.

inline constexpr double kHalfLength = 52.5;
inline constexpr double kHalfWidth = 34.0;
inline constexpr double kPenaltyLength = 16.5;  // penalty area depth from the goal line
inline constexpr double kPenaltyHalfWidth = 20.16;
inline constexpr double kGoalAreaLength = 5.5;
inline constexpr double kGoalAreaHalfWidth = 9.16;
inline constexpr double kCornerMargin = 1.0;  // corner kicks are taken this far inside
inline constexpr double kCentreCircleRadius = 9.15;
inline constexpr double kVisibleDistance = 3.0;  // seen all around, anonymously, this close
inline constexpr double kAudioCutDistance = 50.0;
inline constexpr double kMovingQuantizeStep = 0.1;  // distance quantisation of ball and players
inline constexpr double kUnumFarLength = 20.0;      // numbers and motion always seen this close
inline constexpr double kUnumTooFarLength = 40.0;   // ... and never beyond
inline constexpr double kTeamFarLength = 40.0;      // team names always seen this close
inline constexpr double kTeamTooFarLength = 60.0;   // ... and never beyond
inline constexpr int kSayMaxLength = 10;

// Sides as the agent numbers them.
inline constexpr int kLeft = 1;
inline constexpr int kRight = 2;

inline int otherSide(int side) {
    return side == kLeft ? kRight : kLeft;
}
inline char sideLetter(int side) {
    return side == kLeft ? 'l' : 'r';
}

// Where a datagram came from or goes to: IPv4 address and port in host order.
struct Peer {
    std::uint32_t address = 0;
    std::uint16_t port = 0;
    bool operator==(const Peer&) const = default;
};

struct BallState {
    Vec2 pos;
    Vec2 vel;
    Vec2 accel;
};

// The one body command a player may give per cycle, kept until the cycle ends.
enum class BodyCommand { kNone, kDash, kTurn, kKick, kCatch, kMove, kTackle };

struct PlayerState {
    bool active = false;  // registered and not gone with "bye"
    int side = kLeft;
    int number = 0;
    bool goalie = false;
    int type = 0;  // heterogeneous player type
    double version = 9.0;
    int connection = -1;  // the id of the port this client is answered from
    Peer peer;

    Vec2 pos;
    Vec2 vel;
    Vec2 accel;
    double body = 0.0;
    double neck = 0.0;
    double stamina = 0.0;
    double effort = 0.0;
    double recovery = 0.0;
    int viewWidth = 1;    // 0 narrow, 1 normal, 2 wide
    int viewQuality = 1;  // 0 low, 1 high
    long long nextSeeMs = 0;
    // Protocol version 18 and later: the visual message follows the body sense of every cycle
    // whose turn it is (every cycle narrow, every second normal, every third wide).
    bool synchSee = false;
    int cyclesSinceSee = 0;
    int tackleExpires = 0;
    int catchBan = 0;
    char focusSide = 0;  // 0 without a focus target
    int focusNumber = 0;

    bool thinking = false;  // synchronous mode: told to think, no "(done)" yet
    bool bodyDone = false;  // a body command was accepted this cycle
    bool neckDone = false;
    bool sayDone = false;

    int kickCount = 0;
    int dashCount = 0;
    int turnCount = 0;
    int sayCount = 0;
    int turnNeckCount = 0;
    int catchCount = 0;
    int moveCount = 0;
    int changeViewCount = 0;
    int armCount = 0;
    int focusCount = 0;
    int tackleCount = 0;
    // What monitors see of this cycle's kick, catch and tackle (and their failures), in the
    // state bits of the show message.
    std::uint32_t actionFlags = 0;

    double head() const;  // body + neck, normalised
};

// A message said in one cycle, heard in the next.
struct SaidMessage {
    int side = kLeft;
    int number = 0;
    Vec2 pos;
    std::string text;
};

}  // namespace zamo::practice
