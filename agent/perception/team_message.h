// The 10-character team message: encoding the own one, decoding and merging a teammate's.
#pragma once

#include <array>
#include <string_view>

#include "agent/config/missing_values.h"
#include "agent/perception/vec2.h"
#include "agent/perception/world_snapshot.h"

namespace zamo {

struct ServerParams;
class Geometry;

// Length of a team message on the wire.
inline constexpr int kTeamMessageLength = 10;

// What one player's entry of a team message says.
struct TeamMessageEntry {
    int positionTime = kNoTime;
    Vec2 position;
    int bodyTime = kNoTime;
    double bodyDirection = 0.0;
};

// The decoded content of the last teammate message and the agent's own message to say.
struct TeamMessage {
    int ballPositionTime = kNoTime;
    Vec2 ballPosition;
    int ballVelocityTime = kNoTime;
    Vec2 ballVelocity;
    // Teammates 1-11 at indices 0-10, then opponents 1-11 at indices 11-21.
    std::array<TeamMessageEntry, 2 * kTeamSize> entries;
    // The message to say, zero-terminated; empty when there is nothing to say.
    std::array<char, kTeamMessageLength + 1> outgoing{};

    std::string_view outgoingText() const { return std::string_view(outgoing.data()); }
};

// Marks every group of the message unknown and empties the outgoing text.
void clearTeamMessage(TeamMessage& message);

// Packs the own position and body direction and the ball, as far as the snapshot knows them in
// its own cycle, into message.outgoing. Leaves outgoing untouched when nothing is known or when
// ownNumber is not a uniform number.
void encodeTeamMessage(TeamMessage& message, const WorldSnapshot& snapshot, int ownNumber,
                       const ServerParams& params, const Geometry& geometry);

// Whether cycle is the say turn of uniform number ownNumber: each player says every eleventh
// cycle, one after the other.
bool isSayTurn(int cycle, int ownNumber);

// The own message of the snapshot's cycle: encoded in the agent's say turn, empty otherwise.
void prepareOwnMessage(TeamMessage& message, const WorldSnapshot& snapshot, int ownNumber,
                       const ServerParams& params, const Geometry& geometry);

// Reads a teammate's message heard at cycle time from uniform number sender into message; the
// values carry the cycle before the hear. False, and message untouched, when the text is not
// exactly 10 characters, the sender is not 1-11, or the time is missing.
bool decodeTeamMessage(TeamMessage& message, std::string_view text, int time, int sender,
                       const ServerParams& params);

// Copies every group of the message that is newer than the snapshot's into the snapshot.
void mergeTeamMessage(const TeamMessage& message, WorldSnapshot& snapshot);

}  // namespace zamo
