// The practice server as a process: started on a free port, talked to by plain UDP clients,
// bounded in time and killed by its id if it outlives a test.

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
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

TEST(PracticeServerProcess, RefusesFaultsOutOfRange) {
    for (const std::vector<std::string>& arguments : {std::vector<std::string>{"--loss", "1.5"},
                                                      {"--loss", "-0.1"},
                                                      {"--loss", "some"},
                                                      {"--loss", "nan"},
                                                      {"--delay", "1001"},
                                                      {"--delay", "-1"}}) {
        AgentProcess bad;
        ASSERT_TRUE(bad.start(kServer, arguments));
        EXPECT_EQ(bad.waitForExit(5000ms), 2) << arguments[0] << " " << arguments[1];
        EXPECT_NE(outputOf(bad).find(arguments[0]), std::string::npos) << outputOf(bad);
    }
}

// Registers one client of team Solo and returns the port its session is served from.
int registerSolo(const UdpPeer& client, int port) {
    EXPECT_TRUE(client.sendTo(port, std::string("(init Solo (version 9.35))") + '\0'));
    const auto reply = client.receive(2000ms);
    EXPECT_TRUE(reply.has_value());
    if (!reply) {
        return 0;
    }
    EXPECT_EQ(textOf(*reply), "(init l 1 before_kick_off)");
    return reply->senderPort;
}

TEST(PracticeServerProcess, SynchronousModeStepsWhenThePlayerIsDoneAndWaitsForItOtherwise) {
    TempDir dir;
    const auto portFile = dir.path() / "port";
    AgentProcess server;
    ASSERT_TRUE(
        server.start(kServer, {"--port", "0", "--port-file", portFile.string(), "--half-cycles",
                               "100", "--halves", "1", "--kickoff-wait", "2", "--synch"}));
    const int port = waitForPort(portFile);
    ASSERT_NE(port, 0) << outputOf(server);
    UdpPeer client;
    const int session = registerSolo(client, port);
    ASSERT_NE(session, 0);

    // Answered at once, a hundred cycles of play take a fraction of their 10 s.
    int thinks = 0;
    int bodies = 0;
    bool bodySinceThink = false;
    const auto start = Clock::now();
    while (bodies < 80 && Clock::now() - start < 5s) {
        const auto d = client.receive(2000ms);
        ASSERT_TRUE(d.has_value()) << "the server stopped after " << bodies << " body senses";
        const std::string text = textOf(*d);
        if (text.starts_with("(sense_body ")) {
            ++bodies;
            bodySinceThink = true;
        } else if (text == "(think)") {
            // Told to think once a cycle, after the cycle's body sense.
            EXPECT_TRUE(bodySinceThink) << "(think) " << thinks;
            bodySinceThink = false;
            ++thinks;
            ASSERT_TRUE(client.sendTo(session, std::string("(done)") + '\0'));
        }
    }
    EXPECT_EQ(bodies, 80);
    EXPECT_GE(thinks, bodies - 1);
    EXPECT_LT(Clock::now() - start, 3s);

    // Without an answer the server waits about 1.25 s before the next cycle.
    std::optional<Clock::time_point> unanswered;
    while (true) {
        const auto d = client.receive(3000ms);
        ASSERT_TRUE(d.has_value());
        const std::string text = textOf(*d);
        if (text == "(think)" && !unanswered) {
            unanswered = Clock::now();
        } else if (text.starts_with("(sense_body ") && unanswered) {
            const auto waited = Clock::now() - *unanswered;
            EXPECT_GE(waited, 1200ms);
            EXPECT_LT(waited, 2000ms);
            break;
        } else if (text == "(think)") {
            ASSERT_TRUE(client.sendTo(session, std::string("(done)") + '\0'));
        }
    }
    server.signal(SIGTERM);
    server.waitForExit(5000ms);
}

TEST(PracticeServerProcess, LossDropsASeededShareOfThePlayersDatagramsAndDelayHoldsThem) {
    TempDir dir;
    const auto portFile = dir.path() / "port";
    const auto record = dir.path() / "record";
    AgentProcess server;
    ASSERT_TRUE(server.start(kServer, {"--port", "0", "--port-file", portFile.string(), "--loss",
                                       "0.5", "--delay", "60", "--record", record.string()}));
    const int port = waitForPort(portFile);
    ASSERT_NE(port, 0) << outputOf(server);
    UdpPeer client;
    // Registration and its reply are never lost, only held: the reply takes two delays.
    const auto sent = Clock::now();
    const int session = registerSolo(client, port);
    ASSERT_NE(session, 0);
    EXPECT_GE(Clock::now() - sent, 120ms);

    int bodies = 0;
    const auto start = Clock::now();
    while (Clock::now() - start < 4000ms) {
        if (const auto d = client.receive(200ms); d && textOf(*d).starts_with("(sense_body ")) {
            ++bodies;
        }
    }
    // Half of what the client says is lost too.
    for (int i = 0; i < 40; ++i) {
        ASSERT_TRUE(client.sendTo(session, std::string("(turn_neck 1)") + '\0'));
    }
    std::this_thread::sleep_for(300ms);
    server.signal(SIGTERM);
    server.waitForExit(5000ms);
    // What was sent up to the end, held ones included, is waiting in the socket.
    while (const auto d = client.receive(100ms)) {
        bodies += textOf(*d).starts_with("(sense_body ") ? 1 : 0;
    }

    int out = 0;
    int lostOut = 0;
    int in = 0;
    int lostIn = 0;
    std::ifstream lines(record);
    for (std::string line; std::getline(lines, line);) {
        const bool body = line.find("\t(sense_body ") != std::string::npos;
        const bool neck = line.find("\t(turn_neck ") != std::string::npos;
        out += body && line.find("\tout\t") != std::string::npos ? 1 : 0;
        lostOut += body && line.find("\tlost-out\t") != std::string::npos ? 1 : 0;
        in += neck && line.find("\tin\t") != std::string::npos ? 1 : 0;
        lostIn += neck && line.find("\tlost-in\t") != std::string::npos ? 1 : 0;
    }
    // The record tells exactly what was dropped; the client got all the rest.
    EXPECT_EQ(bodies, out);
    EXPECT_GE(out + lostOut, 35);
    EXPECT_GT(lostOut, (out + lostOut) / 5);
    EXPECT_LT(lostOut, (out + lostOut) * 4 / 5);
    EXPECT_EQ(in + lostIn, 40);
    EXPECT_GT(lostIn, 8);
    EXPECT_LT(lostIn, 32);
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
