// The practice server as a process: started on a free port, talked to by plain UDP clients,
// bounded in time and killed by its id if it outlives a test.

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "support/agent_process.h"
#include "support/temp_dir.h"
#include "support/udp_peer.h"

namespace zamo::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::string kServer = std::string(ZAMO_BINARY_DIR) + "/zamo-practice-server";

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Everything the server printed.
std::string outputOf(const AgentProcess& server) {
    return server.standardOutput() + server.standardError();
}

// The port the server wrote to its port file, or 0 if none came within five seconds.
int waitForPort(const std::filesystem::path& portFile) {
    int port = 0;
    for (const auto end = Clock::now() + 5s; port == 0 && Clock::now() < end;) {
        std::ifstream(portFile) >> port;
        std::this_thread::sleep_for(10ms);
    }
    return port;
}

// The text of a datagram without its closing zero byte (the server sends exactly one).
std::string textOf(const ReceivedDatagram& d) {
    EXPECT_FALSE(d.bytes.empty());
    EXPECT_EQ(d.bytes.back(), '\0');
    return d.bytes.substr(0, d.bytes.size() - 1);
}

TEST(PracticeServerProcess, HelpAndBadArguments) {
    AgentProcess help;
    ASSERT_TRUE(help.start(kServer, {"--help"}));
    EXPECT_EQ(help.waitForExit(5000ms), 0);
    EXPECT_NE(outputOf(help).find("--half-cycles"), std::string::npos);
    AgentProcess bad;
    ASSERT_TRUE(bad.start(kServer, {"--halves", "zero"}));
    EXPECT_EQ(bad.waitForExit(5000ms), 2);
    EXPECT_NE(outputOf(bad).find("--halves"), std::string::npos);
}

TEST(PracticeServerProcess, StopsOnTerminationWithTheScoreSoFar) {
    TempDir dir;
    AgentProcess server;
    ASSERT_TRUE(
        server.start(kServer, {"--port", "0", "--port-file", (dir.path() / "port").string()}));
    waitForPort(dir.path() / "port");
    ASSERT_TRUE(server.signal(SIGTERM));
    EXPECT_EQ(server.waitForExit(5000ms), 1);
    EXPECT_NE(outputOf(server).find("stopped at cycle 0: left 0 - 0 right"), std::string::npos);
}

TEST(PracticeServerProcess, PlaysAShortMatchWithTwoClientsAndExitsWithTheScore) {
    TempDir dir;
    const auto portFile = dir.path() / "port";
    AgentProcess server;
    ASSERT_TRUE(server.start(kServer, {"--port", "0", "--port-file", portFile.string(),
                                       "--half-cycles", "20", "--halves", "1", "--kickoff-wait",
                                       "5", "--record", (dir.path() / "record").string()}));
    const int port = waitForPort(portFile);
    ASSERT_NE(port, 0) << outputOf(server);

    UdpPeer left;
    UdpPeer right;
    ASSERT_TRUE(left.sendTo(port, std::string("(init Smoke (version 9.35) (goalie))") + '\0'));
    const auto reply = left.receive(2000ms);
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(textOf(*reply), "(init l 1 before_kick_off)");
    EXPECT_NE(reply->senderPort, port);  // answered from a port of its own
    ASSERT_TRUE(right.sendTo(port, std::string("(init Other (version 7.11))") + '\0'));
    const auto rightReply = right.receive(2000ms);
    ASSERT_TRUE(rightReply.has_value());
    EXPECT_EQ(textOf(*rightReply), "(init r 1 before_kick_off)");
    EXPECT_NE(rightReply->senderPort, reply->senderPort);

    // A second of play as seen by the left client.
    int senseBodies = 0;
    int sees = 0;
    bool kickOff = false;
    const auto start = Clock::now();
    while (Clock::now() - start < 1000ms) {
        const auto d = left.receive(200ms);
        if (!d) {
            continue;
        }
        const std::string text = textOf(*d);
        senseBodies += text.rfind("(sense_body ", 0) == 0 ? 1 : 0;
        sees += text.rfind("(see ", 0) == 0 ? 1 : 0;
        kickOff = kickOff || text == "(hear 0 referee kick_off_l)";
        EXPECT_EQ(d->senderPort, reply->senderPort) << text;
    }
    EXPECT_GE(senseBodies, 8);
    EXPECT_LE(senseBodies, 12);
    EXPECT_GE(sees, 5);
    EXPECT_TRUE(kickOff);
    ASSERT_TRUE(left.sendTo(reply->senderPort, std::string("(score)") + '\0'));

    // Twenty cycles after the kick-off the match is over and the server gone.
    EXPECT_EQ(server.waitForExit(10000ms), 0);
    const std::string out = outputOf(server);
    EXPECT_NE(out.find("listening on " + std::to_string(port)), std::string::npos) << out;
    EXPECT_NE(out.find("final score: Smoke 0 - 0 Other"), std::string::npos) << out;
    const std::string record = readFile(dir.path() / "record");
    EXPECT_NE(record.find("\tin\t" + std::to_string(left.port()) + "\t(init Smoke"),
              std::string::npos);
    EXPECT_NE(record.find("\tout\t" + std::to_string(left.port()) + "\t(score "),
              std::string::npos);
}

}  // namespace
}  // namespace zamo::test
