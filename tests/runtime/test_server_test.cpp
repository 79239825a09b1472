// The scripted server has to behave like the real one where the agent relies on it, or the
// runtime and end-to-end tests prove nothing.
#include "tools/test_server/test_server.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "support/loopback_client.h"

namespace zamo {
namespace {

using namespace std::chrono_literals;
using test::LoopbackClient;

TEST(TestServerTest, AnswersInitFromAFreshPortThenSendsParametersAndBodySense) {
    TestServer server;
    ASSERT_TRUE(server.start());
    LoopbackClient client;
    client.sendTo(server.port(), "(init Zamo_Left (version 9.35))");

    const auto reply = client.receive(1s);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->text, "(init l 1 before_kick_off)");
    EXPECT_NE(reply->senderPort, server.port());
    EXPECT_EQ(reply->senderPort, server.clientPort());

    const auto parameters = client.receive(1s);
    ASSERT_TRUE(parameters);
    EXPECT_EQ(parameters->text.rfind("(server_param ", 0), 0u);

    const auto received = server.received();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].text, "(init Zamo_Left (version 9.35))");
    EXPECT_TRUE(received[0].oneTrailingZero);
    EXPECT_EQ(received[0].localPort, server.port());
    EXPECT_EQ(server.agentPort(), client.port());

    ASSERT_TRUE(server.waitUntil([&] { return server.sentCount("(sense_body") >= 4; }, 2s));
    std::vector<double> bodyTimes;
    for (const auto& datagram : server.sent()) {
        if (datagram.text.rfind("(sense_body 0 (view_mode high normal)", 0) == 0) {
            bodyTimes.push_back(datagram.sentMs);
        }
    }
    ASSERT_GE(bodyTimes.size(), 4u);
    for (std::size_t i = 1; i < bodyTimes.size(); ++i) {
        EXPECT_NEAR(bodyTimes[i] - bodyTimes[i - 1], 100.0, 15.0);
    }
}

TEST(TestServerTest, FollowsChangeViewAndSendsRefereeMessagesOnCue) {
    TestServerOptions options;
    options.seePhaseMs = 10;
    TestServer server(options);
    ASSERT_TRUE(server.start());
    LoopbackClient client;
    client.sendTo(server.port(), "(reconnect Zamo_Left 4)");
    const auto reply = client.receive(1s);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->text, "(reconnect l before_kick_off)");

    ASSERT_TRUE(server.waitUntil([&] { return server.sentCount("(see ") >= 1; }, 1s));
    client.sendTo(server.clientPort(), "(change_view narrow high)");
    ASSERT_TRUE(server.waitUntil([&] { return server.sentCount("(see ") >= 6; }, 2s));
    server.sendReferee("play_on");
    ASSERT_TRUE(server.waitUntil(
        [&] { return server.sentCount("(sense_body 3 (view_mode high narrow)") == 1; }, 2s));

    std::vector<double> seeTimes;
    bool heardReferee = false;
    for (const auto& datagram : server.sent()) {
        if (datagram.text.rfind("(see ", 0) == 0) {
            seeTimes.push_back(datagram.sentMs);
        }
        heardReferee = heardReferee || datagram.text.rfind("(hear 0 referee play_on)", 0) == 0;
    }
    EXPECT_TRUE(heardReferee);
    // From the second visual message on, the interval is the narrow one.
    ASSERT_GE(seeTimes.size(), 6u);
    for (std::size_t i = 2; i < seeTimes.size(); ++i) {
        EXPECT_NEAR(seeTimes[i] - seeTimes[i - 1], 75.0, 10.0);
    }
    EXPECT_EQ(server.receivedStartingWith("(change_view").size(), 1u);

    server.fallSilent();
    const auto sentBefore = server.sent().size();
    std::this_thread::sleep_for(250ms);
    EXPECT_EQ(server.sent().size(), sentBefore);
}

}  // namespace
}  // namespace zamo
