// The 10-character team message: encoding the own one, decoding and merging a teammate's.
#include "agent/perception/team_message.h"

#include <cmath>
#include <cstdint>

#include "agent/config/server_params.h"
#include "agent/perception/geometry.h"

namespace zamo {

namespace {

// Characters 0-63 carry six bits each; the rest of the table only exists so that a stray
// character decodes to a defined value, of which the low six bits count.
constexpr std::string_view kAlphabet =
    "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz()<>+-*/.?_ \xA0";
constexpr int kUnknownCharIndex = 74;
static_assert(kAlphabet.size() == kUnknownCharIndex + 1);
constexpr std::uint64_t kBitsPerChar = 6;

constexpr std::uint64_t kPositionAbsent = 0xFFFFF;
constexpr std::uint64_t kBodyAbsent = 0xFF;
constexpr std::uint64_t kVelocityAbsent = 0xFFF;

constexpr int kOwnPositionBit = 0;
constexpr int kOwnBodyBit = 20;
constexpr int kBallPositionBit = 28;
constexpr int kBallVelocityBit = 48;
constexpr int kPositionBits = 20;
constexpr int kBodyBits = 8;
constexpr int kVelocityBits = 12;

// Field positions travel as 0.1 m cells of a grid 781 cells high.
constexpr double kGridX = 57.5;
constexpr double kGridY = 39.0;
constexpr std::uint64_t kGridRows = 781;

int halfUp(double v) {
    return static_cast<int>(std::trunc(v + 0.5));
}

int velocityBase(double ballSpeedMax) {
    return static_cast<int>(std::trunc(ballSpeedMax * 20.0 + 1.0));
}

void putField(std::uint64_t& bits, int first, int width, std::uint64_t value) {
    const std::uint64_t mask = ((std::uint64_t{1} << width) - 1) << first;
    bits = (bits & ~mask) | ((value << first) & mask);
}

std::uint64_t getField(std::uint64_t bits, int first, int width) {
    return (bits >> first) & ((std::uint64_t{1} << width) - 1);
}

bool finite(Vec2 v) {
    return std::isfinite(v.x) && std::isfinite(v.y);
}

std::uint64_t encodePosition(Vec2 p) {
    const int column = halfUp((Geometry::clampFieldX(p.x) + kGridX) * 10.0);
    const int row = halfUp((Geometry::clampFieldY(p.y) + kGridY) * 10.0);
    return static_cast<std::uint64_t>(column) * kGridRows + static_cast<std::uint64_t>(row);
}

Vec2 decodePosition(std::uint64_t v) {
    return {static_cast<double>(v / kGridRows) * 0.1 - kGridX,
            static_cast<double>(v % kGridRows) * 0.1 - kGridY};
}

int charIndex(char c) {
    const std::size_t i = kAlphabet.find(c);
    return i == std::string_view::npos ? kUnknownCharIndex : static_cast<int>(i);
}

}  // namespace

void clearTeamMessage(TeamMessage& message) {
    message.ballPositionTime = kNoTime;
    message.ballVelocityTime = kNoTime;
    for (TeamMessageEntry& entry : message.entries) {
        entry.positionTime = kNoTime;
        entry.bodyTime = kNoTime;
    }
    message.outgoing.fill('\0');
}

void encodeTeamMessage(TeamMessage& message, const WorldSnapshot& snapshot, int ownNumber,
                       const ServerParams& params, const Geometry& geometry) {
    if (ownNumber < 1 || ownNumber > kTeamSize) {
        return;
    }
    const int now = snapshot.time;
    const PlayerRecord& own = snapshot.teammates[ownNumber - 1];
    std::uint64_t bits = (std::uint64_t{1} << (kTeamMessageLength * kBitsPerChar)) - 1;
    bool any = false;

    if (own.positionTime == now && finite(own.position)) {
        putField(bits, kOwnPositionBit, kPositionBits, encodePosition(own.position));
        any = true;
    }
    if (own.bodyTime == now && std::isfinite(own.bodyDirection)) {
        const double body = geometry.clampMoment(own.bodyDirection);
        putField(bits, kOwnBodyBit, kBodyBits,
                 static_cast<std::uint64_t>(std::trunc((body + 181.0) * 0.5)));
        any = true;
    }
    if (snapshot.ballPositionTime == now && finite(snapshot.ballPosition)) {
        putField(bits, kBallPositionBit, kPositionBits, encodePosition(snapshot.ballPosition));
        any = true;
    }
    const int base = velocityBase(params.ballSpeedMax);
    if (snapshot.ballVelocityTime == now && finite(snapshot.ballVelocity) && base > 0) {
        const double m = params.ballSpeedMax;
        const int vx = halfUp((geometry.clampBallSpeed(snapshot.ballVelocity.x) + m) * 10.0);
        const int vy = halfUp((geometry.clampBallSpeed(snapshot.ballVelocity.y) + m) * 10.0);
        const std::uint64_t value =
            static_cast<std::uint64_t>(vx) * static_cast<std::uint64_t>(base) +
            static_cast<std::uint64_t>(vy);
        // A speed limit too large for twelve bits cannot be carried; the field then stays absent.
        if (value < kVelocityAbsent) {
            putField(bits, kBallVelocityBit, kVelocityBits, value);
            any = true;
        }
    }
    if (!any) {
        return;
    }
    for (int i = 0; i < kTeamMessageLength; ++i) {
        message.outgoing[static_cast<std::size_t>(i)] =
            kAlphabet[getField(bits, i * static_cast<int>(kBitsPerChar), kBitsPerChar)];
    }
    message.outgoing[kTeamMessageLength] = '\0';
}

bool isSayTurn(int cycle, int ownNumber) {
    return cycle >= 0 && ownNumber >= 1 && ownNumber <= kTeamSize &&
           cycle % kTeamSize == ownNumber % kTeamSize;
}

void prepareOwnMessage(TeamMessage& message, const WorldSnapshot& snapshot, int ownNumber,
                       const ServerParams& params, const Geometry& geometry) {
    message.outgoing.fill('\0');
    if (isSayTurn(snapshot.time, ownNumber)) {
        encodeTeamMessage(message, snapshot, ownNumber, params, geometry);
    }
}

bool decodeTeamMessage(TeamMessage& message, std::string_view text, int time, int sender,
                       const ServerParams& params) {
    if (text.size() != static_cast<std::size_t>(kTeamMessageLength) || sender < 1 ||
        sender > kTeamSize || time <= kNoTime) {
        return false;
    }
    std::uint64_t bits = 0;
    for (int i = 0; i < kTeamMessageLength; ++i) {
        const auto six =
            static_cast<std::uint64_t>(charIndex(text[static_cast<std::size_t>(i)]) & 63);
        bits |= six << (i * kBitsPerChar);
    }
    const int t = time - 1;
    TeamMessageEntry& entry = message.entries[static_cast<std::size_t>(sender - 1)];

    if (const std::uint64_t v = getField(bits, kOwnPositionBit, kPositionBits);
        v < kPositionAbsent) {
        entry.position = decodePosition(v);
        entry.positionTime = t;
    }
    if (const std::uint64_t v = getField(bits, kOwnBodyBit, kBodyBits); v < kBodyAbsent) {
        double body = 2.0 * static_cast<double>(v) - 180.0;
        // Only a foreign sender produces codes past 180 degrees; keep the angle in range.
        if (body > 180.0) {
            body -= 360.0;
        }
        entry.bodyDirection = body;
        entry.bodyTime = t;
    }
    if (const std::uint64_t v = getField(bits, kBallPositionBit, kPositionBits);
        v < kPositionAbsent) {
        message.ballPosition = decodePosition(v);
        message.ballPositionTime = t;
    }
    const int base = velocityBase(params.ballSpeedMax);
    if (const std::uint64_t v = getField(bits, kBallVelocityBit, kVelocityBits);
        v < kVelocityAbsent && base > 0) {
        const auto k = static_cast<std::uint64_t>(base);
        message.ballVelocity = {static_cast<double>(v / k) * 0.1 - params.ballSpeedMax,
                                static_cast<double>(v % k) * 0.1 - params.ballSpeedMax};
        message.ballVelocityTime = t;
    }
    return true;
}

void mergeTeamMessage(const TeamMessage& message, WorldSnapshot& snapshot) {
    if (message.ballPositionTime != kNoTime &&
        message.ballPositionTime > snapshot.ballPositionTime) {
        snapshot.ballPosition = message.ballPosition;
        snapshot.ballPositionTime = message.ballPositionTime;
    }
    if (message.ballVelocityTime != kNoTime &&
        message.ballVelocityTime > snapshot.ballVelocityTime) {
        snapshot.ballVelocity = message.ballVelocity;
        snapshot.ballVelocityTime = message.ballVelocityTime;
    }
    for (std::size_t i = 0; i < message.entries.size(); ++i) {
        const TeamMessageEntry& entry = message.entries[i];
        PlayerRecord& record =
            i < kTeamSize ? snapshot.teammates[i] : snapshot.opponents[i - kTeamSize];
        if (entry.positionTime != kNoTime && entry.positionTime > record.positionTime) {
            record.position = entry.position;
            record.positionTime = entry.positionTime;
        }
        if (entry.bodyTime != kNoTime && entry.bodyTime > record.bodyTime) {
            record.bodyDirection = entry.bodyDirection;
            record.bodyTime = entry.bodyTime;
        }
    }
}

}  // namespace zamo
