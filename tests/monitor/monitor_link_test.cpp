#include "monitor/monitor_link.h"

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "support/udp_peer.h"

namespace zamo::monitor {
namespace {

using namespace std::chrono_literals;
using test::UdpPeer;

const std::string kInit = std::string("(dispinit version 5)") + '\0';

// A stand-in server: its player port, and the port it answers one monitor from.
class MonitorLinkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(players.valid() && own.valid());
        std::string error;
        ASSERT_TRUE(link.open("127.0.0.1", players.port(), error)) << error;
    }

    // What the link receives within a short while, read at the given time.
    std::vector<std::string> receive(long long nowMs) {
        std::vector<std::string> texts;
        for (int i = 0; i < 50 && texts.empty(); ++i) {
            link.receive(nowMs, texts);
            std::this_thread::sleep_for(2ms);
        }
        return texts;
    }

    // Introduces the link and answers it from the server's own port.
    int connect() {
        link.tick(0);
        const auto init = players.receive(1s);
        EXPECT_TRUE(init);
        if (!init) {
            return 0;
        }
        own.sendTo(init->senderPort, std::string("(server_param (stamina_max 8000))") + '\0');
        EXPECT_EQ(receive(10).size(), 1U);
        return init->senderPort;
    }

    UdpPeer players;
    UdpPeer own;
    MonitorLink link;
};

TEST_F(MonitorLinkTest, IntroducesItselfUntilTheServerAnswersThenTalksToItsOwnPort) {
    EXPECT_EQ(link.state(), MonitorLink::State::kWaiting);
    link.tick(0);
    const auto first = players.receive(1s);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->bytes, kInit);
    // Not again before a second has passed without an answer, then again.
    link.tick(500);
    EXPECT_FALSE(players.receive(100ms));
    link.tick(1000);
    const auto again = players.receive(1s);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->bytes, kInit);
    EXPECT_EQ(again->senderPort, first->senderPort);
    EXPECT_FALSE(link.kickOff());  // nobody to tell yet

    own.sendTo(first->senderPort, std::string("(show 0 (pm 1))") + '\0');
    const auto texts = receive(1100);
    ASSERT_EQ(texts.size(), 1U);
    EXPECT_EQ(texts[0], "(show 0 (pm 1))");  // without the zero byte
    EXPECT_EQ(link.state(), MonitorLink::State::kConnected);
    EXPECT_EQ(link.serverPort(), own.port());
    link.tick(2000);
    EXPECT_FALSE(players.receive(100ms));  // connected: no more introductions

    ASSERT_TRUE(link.kickOff());
    const auto start = own.receive(1s);
    ASSERT_TRUE(start);
    EXPECT_EQ(start->bytes, std::string("(dispstart)") + '\0');
    link.close();
    const auto bye = own.receive(1s);
    ASSERT_TRUE(bye);
    EXPECT_EQ(bye->bytes, std::string("(dispbye)") + '\0');
    EXPECT_EQ(link.state(), MonitorLink::State::kClosed);
    EXPECT_EQ(link.socket(), -1);
    EXPECT_FALSE(players.receive(100ms));
}

TEST_F(MonitorLinkTest, OnlyTheServersPortIsHeardOnceConnected) {
    const int monitorPort = connect();
    UdpPeer sameHost;
    sameHost.sendTo(monitorPort, "(show 1 forged)");
    std::vector<std::string> texts;
    std::this_thread::sleep_for(50ms);
    link.receive(20, texts);
    EXPECT_TRUE(texts.empty());
    UdpPeer stranger("127.0.0.2");
    if (stranger.valid()) {
        stranger.sendTo(monitorPort, "(show 1 forged)");
        std::this_thread::sleep_for(50ms);
        link.receive(30, texts);
        EXPECT_TRUE(texts.empty());
    }
    own.sendTo(monitorPort, "(show 1 real)");
    EXPECT_EQ(receive(40), std::vector<std::string>{"(show 1 real)"});
}

TEST_F(MonitorLinkTest, ASilentServerIsLookedForAgainOnItsPlayerPort) {
    const int monitorPort = connect();
    link.tick(10 + MonitorLink::kSilenceMs);  // just within the silence allowed
    EXPECT_EQ(link.state(), MonitorLink::State::kConnected);
    EXPECT_FALSE(players.receive(100ms));
    link.tick(11 + MonitorLink::kSilenceMs);
    EXPECT_EQ(link.state(), MonitorLink::State::kWaiting);
    const auto init = players.receive(1s);
    ASSERT_TRUE(init);
    EXPECT_EQ(init->bytes, kInit);
    // The restarted server answers from a new port, which becomes the one listened to.
    UdpPeer restarted;
    restarted.sendTo(monitorPort, "(show 0 again)");
    EXPECT_EQ(receive(4000), std::vector<std::string>{"(show 0 again)"});
    EXPECT_EQ(link.serverPort(), restarted.port());
    // A closed link says goodbye to nobody when it was not connected.
    MonitorLink waiting;
    std::string error;
    ASSERT_TRUE(waiting.open("127.0.0.1", players.port(), error));
    waiting.close();
    EXPECT_FALSE(players.receive(100ms));
}

}  // namespace
}  // namespace zamo::monitor
