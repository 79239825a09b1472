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
#include <utility>
#include <vector>

#include "support/agent_process.h"
#include "support/practice_server.h"
#include "support/temp_dir.h"
#include "support/udp_peer.h"

namespace zamo::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Everything the server printed.
std::string outputOf(const AgentProcess& server) {
    return server.standardOutput() + server.standardError();
}

// The text of a datagram without its closing zero byte (the server sends exactly one).
std::string textOf(const ReceivedDatagram& d) {
    EXPECT_FALSE(d.bytes.empty());
    EXPECT_EQ(d.bytes.back(), '\0');
    return d.bytes.substr(0, d.bytes.size() - 1);
}

TEST(PracticeServerProcess, HelpAndArgumentsOutOfRange) {
    AgentProcess help;
    ASSERT_TRUE(help.start(kPracticeServerProgram, {"--help"}));
    EXPECT_EQ(help.waitForExit(5000ms), 0);
    EXPECT_NE(outputOf(help).find("--half-cycles"), std::string::npos);
    // A refusal names the option.
    const std::pair<const char*, const char*> refused[] = {
        {"--halves", "zero"}, {"--loss", "1.5"},   {"--loss", "-0.1"}, {"--loss", "some"},
        {"--loss", "nan"},    {"--delay", "1001"}, {"--delay", "-1"}};
    for (const auto& [option, value] : refused) {
        AgentProcess bad;
        ASSERT_TRUE(bad.start(kPracticeServerProgram, {option, value}));
        EXPECT_EQ(bad.waitForExit(5000ms), 2) << option << " " << value;
        EXPECT_NE(outputOf(bad).find(option), std::string::npos) << outputOf(bad);
    }
}

// Registers a client and returns the port its session is served from.
int join(const UdpPeer& client, int port, const std::string& init = "(init Solo (version 9.35))",
         const std::string& reply = "(init l 1 before_kick_off)") {
    EXPECT_TRUE(client.sendTo(port, init + '\0'));
    const auto answer = client.receive(2000ms);
    EXPECT_TRUE(answer.has_value()) << init;
    if (!answer) {
        return 0;
    }
    EXPECT_EQ(textOf(*answer), reply);
    return answer->senderPort;
}

TEST(PracticeServerProcess, SynchronousModeStepsWhenThePlayerIsDoneAndWaitsForItOtherwise) {
    TempDir dir;
    AgentProcess server;
    const int port = startPracticeServer(server, dir,
                                         {"--half-cycles", "100", "--halves", "1", "--kickoff-wait",
                                          "2", "--synch"})
                         .value_or(0);
    ASSERT_NE(port, 0) << outputOf(server);
    UdpPeer client;
    const int session = join(client, port);
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

TEST(PracticeServerProcess, LossDropsASeededShareDelayHoldsTheRestAndASignalStopsIt) {
    TempDir dir;
    const auto record = dir.path() / "record";
    AgentProcess server;
    const int port =
        startPracticeServer(server, dir,
                            {"--loss", "0.5", "--delay", "60", "--record", record.string()})
            .value_or(0);
    ASSERT_NE(port, 0) << outputOf(server);
    UdpPeer client;
    // Registration and its reply are never lost, only held: the reply takes two delays.
    const auto sent = Clock::now();
    const int session = join(client, port);
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
    // Stopped before time over, it tells the score so far.
    ASSERT_TRUE(server.signal(SIGTERM));
    EXPECT_EQ(server.waitForExit(5000ms), 1);
    EXPECT_NE(outputOf(server).find("stopped at cycle "), std::string::npos) << outputOf(server);
    EXPECT_NE(outputOf(server).find(": Solo 0 - 0 right"), std::string::npos);
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

TEST(PracticeServerProcess, PlaysAShortMatchWithTwoClientsAndExitsWithTheScore) {
    TempDir dir;
    const auto record = dir.path() / "record";
    AgentProcess server;
    const int port = startPracticeServer(server, dir,
                                         {"--half-cycles", "20", "--halves", "1", "--kickoff-wait",
                                          "5", "--record", record.string()})
                         .value_or(0);
    ASSERT_NE(port, 0) << outputOf(server);

    UdpPeer left;
    UdpPeer right;
    const int session = join(left, port, "(init Smoke (version 9.35) (goalie))");
    ASSERT_NE(session, 0);
    EXPECT_NE(session, port);  // answered from a port of its own
    EXPECT_NE(join(right, port, "(init Other (version 7.11))", "(init r 1 before_kick_off)"),
              session);

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
        EXPECT_EQ(d->senderPort, session) << text;
    }
    EXPECT_GE(senseBodies, 8);
    EXPECT_LE(senseBodies, 12);
    EXPECT_GE(sees, 5);
    EXPECT_TRUE(kickOff);
    ASSERT_TRUE(left.sendTo(session, std::string("(score)") + '\0'));

    // Twenty cycles after the kick-off the match is over and the server gone.
    EXPECT_EQ(server.waitForExit(10000ms), 0);
    const std::string out = outputOf(server);
    EXPECT_NE(out.find("listening on " + std::to_string(port)), std::string::npos) << out;
    EXPECT_NE(out.find("final score: Smoke 0 - 0 Other"), std::string::npos) << out;
    std::stringstream recorded;
    recorded << std::ifstream(record).rdbuf();
    EXPECT_NE(recorded.str().find("\tin\t" + std::to_string(left.port()) + "\t(init Smoke"),
              std::string::npos);
    EXPECT_NE(recorded.str().find("\tout\t" + std::to_string(left.port()) + "\t(score "),
              std::string::npos);
}

}  // namespace
}  // namespace zamo::test
