#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the simulator shows of one cycle, as its game log and its monitor protocol write it. All
// positions are in the simulator's own frame: metres, x towards the right goal, y down; angles in
// degrees.
namespace zamo::gamelog {

enum class Side { kLeft, kRight };

// Bits of a player's state word.
inline constexpr std::uint32_t kStateStand = 0x1;  // on the field; 0 means not connected
inline constexpr std::uint32_t kStateKick = 0x2;
inline constexpr std::uint32_t kStateKickFault = 0x4;
inline constexpr std::uint32_t kStateGoalie = 0x8;
inline constexpr std::uint32_t kStateCatch = 0x10;
inline constexpr std::uint32_t kStateCatchFault = 0x20;
inline constexpr std::uint32_t kStateBallToPlayer = 0x40;
inline constexpr std::uint32_t kStatePlayerToBall = 0x80;
inline constexpr std::uint32_t kStateDiscard = 0x100;
inline constexpr std::uint32_t kStateLost = 0x200;
inline constexpr std::uint32_t kStateBallCollide = 0x400;
inline constexpr std::uint32_t kStatePlayerCollide = 0x800;
inline constexpr std::uint32_t kStateTackle = 0x1000;
inline constexpr std::uint32_t kStateTackleFault = 0x2000;
inline constexpr std::uint32_t kStateBackPass = 0x4000;
inline constexpr std::uint32_t kStateFreeKickFault = 0x8000;
inline constexpr std::uint32_t kStatePostCollide = 0x10000;
inline constexpr std::uint32_t kStateFoulCharged = 0x20000;
inline constexpr std::uint32_t kStateYellowCard = 0x40000;
inline constexpr std::uint32_t kStateRedCard = 0x80000;
inline constexpr std::uint32_t kStateIllegalDefense = 0x100000;

inline constexpr int kMaxPlayers = 22;
inline constexpr int kTeamSize = 11;

struct Point {
    double x = 0.0;
    double y = 0.0;
};

// How many commands of each kind the server has executed for the player so far.
struct CommandCounts {
    int kick = 0;
    int dash = 0;
    int turn = 0;
    int catchBall = 0;
    int move = 0;
    int turnNeck = 0;
    int changeView = 0;
    int say = 0;
    int tackle = 0;
    int pointTo = 0;
    int attentionTo = 0;
    int changeFocus = -1;  // -1: not written (format 5)
};

struct PlayerId {
    Side side = Side::kLeft;
    int number = 0;
};

struct FocusPoint {
    double distance = 0.0;
    double direction = 0.0;  // degrees, relative to the head
};

struct Player {
    Side side = Side::kLeft;
    int number = 0;  // 1..11
    int type = 0;    // heterogeneous player type id
    std::uint32_t state = 0;
    Point pos;
    Point vel;
    double body = 0.0;             // degrees
    double neck = 0.0;             // degrees, relative to the body
    std::optional<Point> pointTo;  // where the arm points, while it does
    bool highQuality = true;
    double viewWidth = 0.0;           // degrees
    std::optional<FocusPoint> focus;  // format 6 and the live protocol
    std::optional<PlayerId> attentionTo;
    double stamina = 0.0;
    double effort = 0.0;
    double recovery = 0.0;
    std::optional<double> capacity;
    CommandCounts counts;

    bool has(std::uint32_t flag) const { return (state & flag) != 0; }
    bool onField() const { return state != 0; }
};

struct Ball {
    Point pos;
    Point vel;
};

// Team names ("" while no team has connected) and the score; the penalty figures stay 0 unless
// a shoot-out was played.
struct Teams {
    std::string left;
    std::string right;
    int scoreLeft = 0;
    int scoreRight = 0;
    int penaltyScoreLeft = 0;
    int penaltyMissLeft = 0;
    int penaltyScoreRight = 0;
    int penaltyMissRight = 0;
};

struct Frame {
    int cycle = 0;
    // Frames of the same cycle before this one: the clock stands still after a goal and before
    // the kick-off while the server goes on showing.
    int stoppage = 0;
    int playMode = 0;  // the server's play mode number; see playModeName
    Teams teams;
    Ball ball;
    std::vector<Player> players;  // in the order shown: left 1..11, then right 1..11

    const Player* find(Side side, int number) const;
};

// One (msg ...) line: a board number and the text, e.g. "(result ...)" at the end.
struct Message {
    int cycle = 0;
    int board = 0;
    std::string text;
};

// The server's play modes by number: 0 is "" (none yet), 1 "before_kick_off", 3 "play_on", ...
inline constexpr int kPlayModeCount = 52;
inline constexpr int kPlayModeBeforeKickOff = 1;
inline constexpr int kPlayModeTimeOver = 2;
inline constexpr int kPlayModePlayOn = 3;

// The name of a play mode number; "" for a number the server does not have.
std::string_view playModeName(int number);
// The number of a play mode name, if the server has it.
std::optional<int> playModeNumber(std::string_view name);
// The team a play mode is for ("kick_in_l": left), if any.
std::optional<Side> playModeSide(int number);

}  // namespace zamo::gamelog
