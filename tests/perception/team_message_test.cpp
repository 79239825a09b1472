#include "agent/perception/team_message.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

#include "agent/config/server_params.h"
#include "agent/perception/geometry.h"
#include "agent/perception/self_state.h"

namespace zamo {
namespace {

constexpr std::string_view kAlphabet64 =
    "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz()";

// The 60 bits a message text carries, read independently of the codec.
std::uint64_t bitsOf(std::string_view text) {
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        bits |= static_cast<std::uint64_t>(kAlphabet64.find(text[i])) << (6 * i);
    }
    return bits;
}

class TeamMessageTest : public ::testing::Test {
  protected:
    ServerParams params;
    SelfState self;
    Geometry geometry{params, self};
    TeamMessage message;
    WorldSnapshot snapshot;

    void SetUp() override {
        clearTeamMessage(message);
        snapshot.time = 300;
    }
};

TEST_F(TeamMessageTest, OwnPositionAloneFillsOnlyItsBits) {
    snapshot.teammates[3].positionTime = 300;
    snapshot.teammates[3].position = {10.0, -5.0};
    encodeTeamMessage(message, snapshot, 4, params, geometry);

    ASSERT_EQ(message.outgoingText().size(), 10u);
    const std::uint64_t bits = bitsOf(message.outgoingText());
    // Column 675 of 781 rows, row 340.
    EXPECT_EQ(bits & 0xFFFFF, 675u * 781u + 340u);
    EXPECT_EQ(bits >> 20, (std::uint64_t{1} << 40) - 1);
}

TEST_F(TeamMessageTest, NothingKnownThisCycleSaysNothing) {
    // Known, but from an earlier cycle.
    snapshot.teammates[3].positionTime = 299;
    snapshot.ballPositionTime = 299;
    snapshot.ballVelocityTime = 299;
    snapshot.teammates[3].bodyTime = 299;
    encodeTeamMessage(message, snapshot, 4, params, geometry);
    EXPECT_TRUE(message.outgoingText().empty());

    // Non-finite values are not worth saying either, and a wrong own number says nothing.
    snapshot.ballPositionTime = 300;
    snapshot.ballPosition = {std::nan(""), 1.0};
    encodeTeamMessage(message, snapshot, 4, params, geometry);
    EXPECT_TRUE(message.outgoingText().empty());
    snapshot.ballPosition = {1.0, 1.0};
    encodeTeamMessage(message, snapshot, 0, params, geometry);
    encodeTeamMessage(message, snapshot, 12, params, geometry);
    EXPECT_TRUE(message.outgoingText().empty());
}

TEST_F(TeamMessageTest, AllZeroTextDecodesToTheLowestValuesAllAbsentToNothing) {
    ASSERT_TRUE(decodeTeamMessage(message, "0000000000", 150, 7, params));
    const TeamMessageEntry& sender = message.entries[6];
    EXPECT_EQ(sender.positionTime, 149);
    EXPECT_DOUBLE_EQ(sender.position.x, -57.5);
    EXPECT_DOUBLE_EQ(sender.position.y, -39.0);
    EXPECT_EQ(sender.bodyTime, 149);
    EXPECT_DOUBLE_EQ(sender.bodyDirection, -180.0);
    EXPECT_EQ(message.ballPositionTime, 149);
    EXPECT_DOUBLE_EQ(message.ballPosition.x, -57.5);
    EXPECT_DOUBLE_EQ(message.ballPosition.y, -39.0);
    EXPECT_EQ(message.ballVelocityTime, 149);
    EXPECT_NEAR(message.ballVelocity.x, -2.7, 1e-12);
    EXPECT_NEAR(message.ballVelocity.y, -2.7, 1e-12);
    for (std::size_t i = 0; i < message.entries.size(); ++i) {
        if (i != 6) {
            EXPECT_EQ(message.entries[i].positionTime, kNoTime);
        }
    }

    clearTeamMessage(message);
    ASSERT_TRUE(decodeTeamMessage(message, "))))))))))", 150, 7, params));
    EXPECT_EQ(message.entries[6].positionTime, kNoTime);
    EXPECT_EQ(message.entries[6].bodyTime, kNoTime);
    EXPECT_EQ(message.ballPositionTime, kNoTime);
    EXPECT_EQ(message.ballVelocityTime, kNoTime);
}

TEST_F(TeamMessageTest, BadTextsAndSendersAreRefused) {
    const std::string lengths[] = {"", "000000000", "00000000000", std::string(31, '0'),
                                   std::string(100000, '0')};
    for (const std::string& text : lengths) {
        EXPECT_FALSE(decodeTeamMessage(message, text, 150, 7, params)) << text.size();
    }
    for (const int sender : {0, 12, -1, kNoTime, std::numeric_limits<int>::max()}) {
        EXPECT_FALSE(decodeTeamMessage(message, "0000000000", 150, sender, params)) << sender;
    }
    EXPECT_FALSE(decodeTeamMessage(message, "0000000000", kNoTime, 7, params));
    EXPECT_FALSE(
        decodeTeamMessage(message, "0000000000", std::numeric_limits<int>::min(), 7, params));
    for (const TeamMessageEntry& entry : message.entries) {
        EXPECT_EQ(entry.positionTime, kNoTime);
    }
    EXPECT_EQ(message.ballPositionTime, kNoTime);
}

TEST_F(TeamMessageTest, CharactersOutsideTheAlphabetDecodeAsIndex74) {
    // 74 keeps its low six bits: 10, the value of "A". "<" is 64, whose low bits are 0.
    TeamMessage expected;
    clearTeamMessage(expected);
    ASSERT_TRUE(decodeTeamMessage(expected, "A0000000A0", 150, 2, params));
    for (int byte = 0; byte < 256; ++byte) {
        const char c = static_cast<char>(byte);
        if (kAlphabet64.find(c) != std::string_view::npos ||
            std::string_view("<>+-*/.?_ \xA0").find(c) != std::string_view::npos) {
            continue;
        }
        std::string text = "0000000000";
        text[0] = c;
        text[8] = c;
        clearTeamMessage(message);
        ASSERT_TRUE(decodeTeamMessage(message, text, 150, 2, params)) << byte;
        EXPECT_EQ(message.entries[1].position, expected.entries[1].position) << byte;
        EXPECT_EQ(message.ballVelocity, expected.ballVelocity) << byte;
    }
    clearTeamMessage(message);
    ASSERT_TRUE(decodeTeamMessage(message, "<000000000", 150, 2, params));
    EXPECT_DOUBLE_EQ(message.entries[1].position.x, -57.5);
    EXPECT_DOUBLE_EQ(message.entries[1].position.y, -39.0);
    // A blank is 73 of the table: row 9.
    clearTeamMessage(message);
    ASSERT_TRUE(decodeTeamMessage(message, " 000000000", 150, 2, params));
    EXPECT_NEAR(message.entries[1].position.y, -38.1, 1e-9);
}

TEST_F(TeamMessageTest, MergeReplacesOnlyOlderGroups) {
    ASSERT_TRUE(decodeTeamMessage(message, "0000000000", 200, 5, params));
    snapshot.time = 199;
    snapshot.ballPositionTime = 199;  // as new as the message: kept
    snapshot.ballPosition = {1.0, 2.0};
    snapshot.ballVelocityTime = 150;               // older: replaced
    snapshot.teammates[4].positionTime = kNoTime;  // unknown: replaced
    snapshot.teammates[4].bodyTime = 205;          // newer: kept
    snapshot.teammates[4].bodyDirection = 33.0;
    snapshot.teammates[5].positionTime = 10;  // not the sender: kept
    snapshot.teammates[5].position = {3.0, 4.0};
    mergeTeamMessage(message, snapshot);

    EXPECT_EQ(snapshot.ballPositionTime, 199);
    EXPECT_EQ(snapshot.ballPosition, (Vec2{1.0, 2.0}));
    EXPECT_EQ(snapshot.ballVelocityTime, 199);
    EXPECT_NEAR(snapshot.ballVelocity.x, -2.7, 1e-12);
    EXPECT_EQ(snapshot.teammates[4].positionTime, 199);
    EXPECT_DOUBLE_EQ(snapshot.teammates[4].position.x, -57.5);
    EXPECT_EQ(snapshot.teammates[4].bodyTime, 205);
    EXPECT_DOUBLE_EQ(snapshot.teammates[4].bodyDirection, 33.0);
    EXPECT_EQ(snapshot.teammates[5].positionTime, 10);
    EXPECT_EQ(snapshot.teammates[5].position, (Vec2{3.0, 4.0}));
}

TEST_F(TeamMessageTest, RoundTripStaysWithinTheGridOfEveryField) {
    std::mt19937 random(20240611);
    std::uniform_real_distribution<double> xs(-57.5, 57.5);
    std::uniform_real_distribution<double> ys(-39.0, 39.0);
    std::uniform_real_distribution<double> directions(-180.0, 180.0);
    std::uniform_real_distribution<double> speeds(-2.7, 2.7);
    std::bernoulli_distribution known(0.7);
    const int ownNumber = 9;

    for (int round = 0; round < 20000; ++round) {
        WorldSnapshot s;
        s.time = 1000 + round;
        PlayerRecord& own = s.teammates[ownNumber - 1];
        const bool hasPosition = known(random);
        const bool hasBody = known(random);
        const bool hasBall = known(random);
        const bool hasVelocity = known(random);
        own.position = {xs(random), ys(random)};
        own.positionTime = hasPosition ? s.time : s.time - 1;
        own.bodyDirection = directions(random);
        own.bodyTime = hasBody ? s.time : kNoTime;
        s.ballPosition = {xs(random), ys(random)};
        s.ballPositionTime = hasBall ? s.time : s.time - 5;
        s.ballVelocity = {speeds(random), speeds(random)};
        s.ballVelocityTime = hasVelocity ? s.time : kNoTime;

        TeamMessage out;
        clearTeamMessage(out);
        encodeTeamMessage(out, s, ownNumber, params, geometry);
        if (!hasPosition && !hasBody && !hasBall && !hasVelocity) {
            EXPECT_TRUE(out.outgoingText().empty());
            continue;
        }
        ASSERT_EQ(out.outgoingText().size(), 10u);

        TeamMessage in;
        clearTeamMessage(in);
        ASSERT_TRUE(decodeTeamMessage(in, out.outgoingText(), s.time + 1, ownNumber, params));
        const TeamMessageEntry& entry = in.entries[ownNumber - 1];
        EXPECT_EQ(entry.positionTime, hasPosition ? s.time : kNoTime);
        EXPECT_EQ(entry.bodyTime, hasBody ? s.time : kNoTime);
        EXPECT_EQ(in.ballPositionTime, hasBall ? s.time : kNoTime);
        EXPECT_EQ(in.ballVelocityTime, hasVelocity ? s.time : kNoTime);
        const double half = 0.05 + 1e-9;
        if (hasPosition) {
            EXPECT_NEAR(entry.position.x, own.position.x, half);
            EXPECT_NEAR(entry.position.y, own.position.y, half);
        }
        if (hasBody) {
            EXPECT_LE(std::abs(entry.bodyDirection - own.bodyDirection), 1.0 + 1e-9)
                << own.bodyDirection << " -> " << entry.bodyDirection;
        }
        if (hasBall) {
            EXPECT_NEAR(in.ballPosition.x, s.ballPosition.x, half);
            EXPECT_NEAR(in.ballPosition.y, s.ballPosition.y, half);
        }
        if (hasVelocity) {
            EXPECT_NEAR(in.ballVelocity.x, s.ballVelocity.x, half);
            EXPECT_NEAR(in.ballVelocity.y, s.ballVelocity.y, half);
        }
        for (std::size_t i = 0; i < in.entries.size(); ++i) {
            if (i != ownNumber - 1) {
                EXPECT_EQ(in.entries[i].positionTime, kNoTime);
                EXPECT_EQ(in.entries[i].bodyTime, kNoTime);
            }
        }
    }
}

TEST_F(TeamMessageTest, ValuesOffTheFieldAreClampedToItsEdge) {
    PlayerRecord& own = snapshot.teammates[0];
    own.positionTime = 300;
    own.position = {1e300, -1e300};
    own.bodyTime = 300;
    own.bodyDirection = 720.0;
    snapshot.ballVelocityTime = 300;
    snapshot.ballVelocity = {9.0, -9.0};
    encodeTeamMessage(message, snapshot, 1, params, geometry);
    ASSERT_EQ(message.outgoingText().size(), 10u);

    TeamMessage in;
    clearTeamMessage(in);
    ASSERT_TRUE(decodeTeamMessage(in, message.outgoingText(), 301, 1, params));
    EXPECT_NEAR(in.entries[0].position.x, 57.5, 1e-9);
    EXPECT_NEAR(in.entries[0].position.y, -39.0, 1e-9);
    EXPECT_DOUBLE_EQ(in.entries[0].bodyDirection, 180.0);
    EXPECT_NEAR(in.ballVelocity.x, 2.7, 1e-9);
    EXPECT_NEAR(in.ballVelocity.y, -2.7, 1e-9);
    EXPECT_EQ(in.ballPositionTime, kNoTime);
}

}  // namespace
}  // namespace zamo
