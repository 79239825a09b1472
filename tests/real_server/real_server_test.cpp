// The real simulator server as the tests run it: it starts on free ports, registers a player,
// tells its parameters, plays a short match to its end by itself and writes its game log.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>

#include "support/real_server.h"
#include "support/temp_dir.h"
#include "support/udp_peer.h"

namespace zamo {
namespace {

using namespace std::chrono_literals;

TEST(RealServerTest, RegistersAPlayerAndEndsItsMatchWithAGameLog) {
    const auto program = test::realServerProgram();
    if (!program) {
        GTEST_SKIP() << test::kNoRealServer;
    }
    test::TempDir dir;
    test::RealServer server;
    test::RealServerOptions options;
    options.halfCycles = 20;
    options.halves = 1;
    options.connectWait = 10;
    options.gameLogDir = dir.path();
    ASSERT_TRUE(server.start(*program, options)) << server.standardOutput();

    test::UdpPeer player;
    ASSERT_TRUE(player.valid());
    ASSERT_TRUE(player.sendTo(server.port(), std::string("(init Smoke (version 9))") + '\0'));
    const auto reply = player.receive(2s);
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->bytes.rfind("(init l 1 before_kick_off)", 0), 0U) << reply->bytes;
    EXPECT_NE(reply->senderPort, server.port()) << "the reply comes from a port of its own";

    int playerTypes = 0;
    bool serverParams = false;
    for (int i = 0; i < 40; ++i) {
        const auto message = player.receive(2s);
        ASSERT_TRUE(message.has_value());
        serverParams = serverParams || message->bytes.starts_with("(server_param (");
        playerTypes += message->bytes.starts_with("(player_type (id ") ? 1 : 0;
        if (message->bytes.starts_with("(sense_body ")) {
            break;
        }
    }
    EXPECT_TRUE(serverParams);
    EXPECT_EQ(playerTypes, 18);

    // Auto mode kicks off by itself after the connect wait; the match of 20 cycles then ends
    // without further help.
    ASSERT_EQ(server.waitForExit(30s), 0) << server.standardOutput();
    EXPECT_EQ(server.finalScore(), std::make_pair(0, 0));
    std::ifstream log(server.gameLogPath());
    std::string header;
    ASSERT_TRUE(std::getline(log, header)) << server.gameLogPath();
    EXPECT_EQ(header, "ULG6");
}

}  // namespace
}  // namespace zamo
