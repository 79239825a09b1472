#include "agent/net/server_endpoint.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/resource.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "support/udp_peer.h"

namespace zamo {
namespace {

using namespace std::chrono_literals;
using test::UdpPeer;

constexpr auto kWait = 1000ms;

int serverPortOf(const ServerEndpoint& endpoint) {
    return ntohs(endpoint.serverAddress.sin_port);
}

// An endpoint opened towards a test peer on 127.0.0.1, closed at the end of the test.
class EndpointTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(server.valid());
        endpoint = openEndpoint("127.0.0.1", server.port(), true);
        ASSERT_GE(endpoint.socket, 0);
        agentPort = test::localPort(endpoint.socket);
    }
    void TearDown() override { closeEndpoint(endpoint); }

    // Polls the endpoint until a datagram arrives or the wait is over.
    std::optional<std::size_t> receiveWithin(std::span<char> buffer) {
        const auto deadline = std::chrono::steady_clock::now() + kWait;
        do {
            if (auto length = receiveDatagram(endpoint, buffer)) {
                return length;
            }
            std::this_thread::sleep_for(1ms);
        } while (std::chrono::steady_clock::now() < deadline);
        return std::nullopt;
    }

    // Waits until a datagram is queued at the endpoint, so that a read finding nothing is
    // known to have dropped it.
    bool waitReadable() const {
        pollfd waiting{endpoint.socket, POLLIN, 0};
        return ::poll(&waiting, 1, static_cast<int>(kWait.count())) == 1;
    }

    UdpPeer server;
    ServerEndpoint endpoint;
    int agentPort = 0;
};

TEST(OpenEndpoint, AimsAtTheResolvedServerAndHonoursTheBlockingFlag) {
    for (const bool nonBlocking : {true, false}) {
        ServerEndpoint endpoint =
            openEndpoint(nonBlocking ? "127.0.0.1" : "localhost", 6001, nonBlocking);
        ASSERT_GE(endpoint.socket, 0);
        EXPECT_EQ((fcntl(endpoint.socket, F_GETFL) & O_NONBLOCK) != 0, nonBlocking);
        EXPECT_EQ(endpoint.serverAddress.sin_family, AF_INET);
        EXPECT_EQ(serverPortOf(endpoint), 6001);
        EXPECT_EQ(endpoint.serverAddress.sin_addr.s_addr, htonl(INADDR_LOOPBACK));
        closeEndpoint(endpoint);
    }
}

TEST(OpenEndpoint, UnusableHostOrPortFailsSilently) {
    for (const auto& [host, port] :
         std::vector<std::pair<std::string, int>>{{"no-such-host.invalid", 6000},
                                                  {"", 6000},
                                                  {"127.0.0.300", 6000},
                                                  {std::string("127.0.0.1\0x", 11), 6000},
                                                  {"127.0.0.1", 65536},
                                                  {"127.0.0.1", -1}}) {
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        const ServerEndpoint endpoint = openEndpoint(host, port, true);
        const std::string out = ::testing::internal::GetCapturedStdout();
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(endpoint.socket, -1) << host << ":" << port;
        EXPECT_EQ(out, "") << host;
        EXPECT_EQ(err, "") << host;
    }
}

TEST(OpenEndpoint, SocketShortageIsReportedWithTheFixedText) {
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    rlimit lowered = saved;
    lowered.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &lowered), 0);
    std::vector<int> fillers;
    for (int handle = dup(0); handle >= 0; handle = dup(0)) {
        fillers.push_back(handle);
    }
    const ServerEndpoint endpoint = openEndpoint("127.0.0.1", 6000, true);
    for (const int handle : fillers) {
        close(handle);
    }
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &saved), 0);
    const std::string out = ::testing::internal::GetCapturedStdout();
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(endpoint.socket, -1);
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "Can't open socket.\n");
}

TEST_F(EndpointTest, CommandGoesOutWithItsLineFeedReplacedByOneZeroByte) {
    ASSERT_TRUE(sendCommand(endpoint, "(dash 100.0)\n"));
    auto datagram = server.receive(kWait);
    ASSERT_TRUE(datagram);
    EXPECT_EQ(datagram->bytes, std::string("(dash 100.0)\0", 13));
    EXPECT_EQ(datagram->senderPort, agentPort);

    // A text without a line feed keeps all its characters and gains the zero byte.
    ASSERT_TRUE(sendCommand(endpoint, "(bye)"));
    datagram = server.receive(kWait);
    ASSERT_TRUE(datagram);
    EXPECT_EQ(datagram->bytes, std::string("(bye)\0", 6));
}

// The arrival is when the datagram reached the host, not when it was read: the time it waited
// in the socket counts.
TEST_F(EndpointTest, ArrivalIsWhenTheDatagramCameNotWhenItWasRead) {
    const auto sent = std::chrono::steady_clock::now();
    ASSERT_TRUE(server.sendTo(agentPort, "(sense_body 3)"));
    ASSERT_TRUE(waitReadable());
    std::this_thread::sleep_for(60ms);
    std::array<char, 64> buffer;
    std::chrono::steady_clock::time_point arrival;
    const auto read = std::chrono::steady_clock::now();
    ASSERT_TRUE(receiveDatagram(endpoint, buffer, arrival));
    EXPECT_GE(arrival, sent - 1ms);
    EXPECT_LE(arrival, read - 50ms);
}

TEST_F(EndpointTest, CommandsFollowThePortTheReplyCameFrom) {
    UdpPeer replyPort;
    ASSERT_TRUE(replyPort.valid());
    ASSERT_TRUE(sendCommand(endpoint, "(init Zamo_Left (version 9.35))\n"));
    ASSERT_TRUE(server.receive(kWait));

    ASSERT_TRUE(replyPort.sendTo(agentPort, "(init l 1 before_kick_off)"));
    std::array<char, 65> buffer{};
    ASSERT_TRUE(receiveWithin(buffer));
    EXPECT_EQ(serverPortOf(endpoint), replyPort.port());

    ASSERT_TRUE(sendCommand(endpoint, "(turn 30)\n"));
    const auto datagram = replyPort.receive(kWait);
    ASSERT_TRUE(datagram);
    EXPECT_EQ(datagram->bytes, std::string("(turn 30)\0", 10));
    EXPECT_FALSE(server.receive(50ms));
}

TEST_F(EndpointTest, DatagramFromAnotherAddressIsIgnored) {
    UdpPeer stranger("127.0.0.2");
    if (!stranger.valid()) {
        GTEST_SKIP() << "127.0.0.2 cannot be bound here, so no second loopback address";
    }
    ASSERT_TRUE(stranger.sendTo(agentPort, "(init l 1 before_kick_off)"));
    ASSERT_TRUE(waitReadable());
    std::array<char, 64> buffer;
    buffer.fill('x');
    EXPECT_FALSE(receiveDatagram(endpoint, buffer));
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(serverPortOf(endpoint), server.port());

    // The stranger's datagram does not hide the server's queued behind it.
    UdpPeer replyPort;
    ASSERT_TRUE(stranger.sendTo(agentPort, "(hijack)"));
    ASSERT_TRUE(replyPort.sendTo(agentPort, "(sense_body 0)"));
    ASSERT_TRUE(receiveWithin(buffer));
    EXPECT_EQ(std::string(buffer.data()), "(sense_body 0)");
    EXPECT_EQ(serverPortOf(endpoint), replyPort.port());
}

TEST_F(EndpointTest, DatagramThatDoesNotFitWithItsTerminatorIsDropped) {
    std::vector<char> buffer(4097, 'x');
    ASSERT_TRUE(server.sendTo(agentPort, std::string(4097, 'a')));
    ASSERT_TRUE(waitReadable());
    EXPECT_FALSE(receiveDatagram(endpoint, buffer));
    EXPECT_EQ(buffer[0], '\0');

    // The largest datagram that fits is taken whole, also behind a dropped one.
    ASSERT_TRUE(server.sendTo(agentPort, std::string(5000, 'b')));
    ASSERT_TRUE(server.sendTo(agentPort, std::string(4096, 'c')));
    const auto length = receiveWithin(buffer);
    ASSERT_TRUE(length);
    EXPECT_EQ(*length, 4096u);
    EXPECT_EQ(buffer[0], 'c');
    EXPECT_EQ(buffer[4095], 'c');
    EXPECT_EQ(buffer[4096], '\0');
    EXPECT_FALSE(receiveDatagram(endpoint, buffer));
}

TEST_F(EndpointTest, EmptyDatagramGivesNoResultButDoesNotHideTheNext) {
    UdpPeer replyPort;
    ASSERT_TRUE(replyPort.sendTo(agentPort, ""));
    ASSERT_TRUE(replyPort.sendTo(agentPort, "(see 0)"));
    std::array<char, 64> buffer{};
    const auto length = receiveWithin(buffer);
    ASSERT_TRUE(length);
    EXPECT_EQ(*length, 7u);
    EXPECT_EQ(std::string(buffer.data()), "(see 0)");
}

TEST(ReceiveDatagram, EmptyReadReturnsAtOnceWithAnEmptyTextEvenOnABlockingSocket) {
    UdpPeer server;
    ServerEndpoint endpoint = openEndpoint("127.0.0.1", server.port(), false);
    ASSERT_GE(endpoint.socket, 0);
    // Bounds the test should the read block after all.
    const timeval limit{0, 500000};
    ASSERT_EQ(setsockopt(endpoint.socket, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit), 0);
    std::array<char, 32> buffer;
    buffer.fill('x');
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(receiveDatagram(endpoint, buffer));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 50ms);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_FALSE(receiveDatagram(endpoint, std::span<char>()));
    closeEndpoint(endpoint);
}

TEST_F(EndpointTest, ClosedEndpointNeitherSendsNorReceives) {
    const int handle = endpoint.socket;
    closeEndpoint(endpoint);
    EXPECT_EQ(endpoint.socket, -1);
    EXPECT_EQ(fcntl(handle, F_GETFD), -1);
    EXPECT_FALSE(sendCommand(endpoint, "(bye)\n"));
    std::array<char, 8> buffer{'x'};
    EXPECT_FALSE(receiveDatagram(endpoint, buffer));
    EXPECT_EQ(buffer[0], '\0');
    closeEndpoint(endpoint);
    EXPECT_EQ(endpoint.socket, -1);
}

}  // namespace
}  // namespace zamo
