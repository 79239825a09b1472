#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zamo {

// How the server answers a registration ("init" or "reconnect").
enum class RegistrationReply { kAccept, kRefuse, kSilent };

struct TestServerOptions {
    RegistrationReply reply = RegistrationReply::kAccept;
    char side = 'l';
    int uniformNumber = 1;  // number given to an "init"
    std::string playMode = "before_kick_off";
    bool sendParameters = true;  // parameter messages right after the reply
    int firstBodyDelayMs = 30;   // first "sense_body" after the reply
    int seePhaseMs = 90;         // first "see" after the first "sense_body"
    bool sendSee = true;
    // When set, each visual message shows the field as seen by a player standing at (playerX,
    // playerY) with body and head towards +x: the right line, flags, the right goal and the ball
    // at (ballX, ballY), all in the simulator's frame. A "move" from the client puts the player
    // at its target; with many clients they all share that one player. Otherwise every visual
    // message is the same fixed text.
    bool seeFromPlayer = false;
    double playerX = -30.0;
    double playerY = 10.0;
    double ballX = -20.0;
    double ballY = 0.0;
    // Every registration opens a session of its own and the earlier ones stay, as for a whole
    // team; the k-th "init" (from 0) is given number uniformNumber + k. All sessions share one
    // clock, play mode and view width, and a session ends with its client's "bye".
    bool manyClients = false;
};

// One datagram the server received, as it arrived.
struct ReceivedDatagram {
    std::string text;              // up to the first zero byte
    std::size_t size = 0;          // bytes on the wire
    bool oneTrailingZero = false;  // the last byte, and only it, is zero
    double arrivalMs = 0.0;        // since start()
    int localPort = 0;             // the server socket it reached
    int senderPort = 0;
};

// One datagram the server sent.
struct SentDatagram {
    std::string text;
    double sentMs = 0.0;
};

// A loopback simulator stand-in driven by a test. It answers one client's registration (or, with
// manyClients, each client's) from a fresh port, then sends "sense_body" every 100 ms and "see" at
// the interval of the client's view width (75, 150 or 300 ms), follows "change_view", sends referee
// "hear" messages on cue, and records every datagram it receives. Runs on its own thread between
// start() and stop().
class TestServer {
  public:
    explicit TestServer(TestServerOptions options = {});
    ~TestServer();
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    // Binds 127.0.0.1 on a free port and starts serving. False when no socket could be bound.
    bool start();
    void stop();

    int port() const { return port_; }
    // The port the latest client's session is served from; 0 before a registration was accepted.
    int clientPort() const { return clientPort_.load(); }
    // The latest client's own port, as its registration came from; 0 before one arrived.
    int agentPort() const { return agentPort_.load(); }

    // Sends "(hear <cycle> referee <word>)" to the client at once; the words "play_on" and
    // "before_kick_off" also set the server's play mode (the cycle runs only outside
    // before_kick_off).
    void sendReferee(const std::string& word);
    // Stops sending anything; receiving and recording go on.
    void fallSilent();

    std::vector<ReceivedDatagram> received() const;
    std::vector<SentDatagram> sent() const;
    // Received texts that start with prefix, in arrival order.
    std::vector<ReceivedDatagram> receivedStartingWith(const std::string& prefix) const;
    int sentCount(const std::string& prefix) const;
    double elapsedMs() const;

    // Waits until predicate holds, checking every 5 ms. False when the time ran out first.
    bool waitUntil(const std::function<bool()>& predicate, std::chrono::milliseconds timeout) const;

  private:
    using Clock = std::chrono::steady_clock;

    void run();
    void pollSockets(int timeoutMs);
    void receiveOn(int socket, bool isClientSocket);
    void handleRegistration(const std::string& text, int senderPort);
    void handleClientCommand(const std::string& text, int socket);
    void sendTo(int socket, const std::string& text);
    // Sends to every session.
    void sendToClients(const std::string& text);
    void sendBody();
    void sendSee();
    std::string seenFromPlayer() const;
    int seeIntervalMs() const;
    void closeClients();

    TestServerOptions options_;
    Clock::time_point start_;
    int socket_ = -1;
    int port_ = 0;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> silent_{false};
    std::atomic<int> clientPort_{0};
    std::atomic<int> agentPort_{0};

    // Session state, touched only by the server thread.
    std::vector<int> clientSockets_;
    int initCount_ = 0;
    bool sessionRunning_ = false;
    int cycle_ = 0;
    bool cycleRuns_ = false;
    int viewWidth_ = 1;  // 0 narrow, 1 normal, 2 wide
    int moveCount_ = 0;
    double playerX_ = 0.0;
    double playerY_ = 0.0;
    int changeViewCount_ = 0;
    Clock::time_point nextBody_;
    Clock::time_point lastSee_;
    Clock::time_point nextSee_;
    bool seeScheduled_ = false;
    bool seeSent_ = false;
    int bodiesSent_ = 0;

    mutable std::mutex mutex_;
    std::deque<std::string> pendingReferee_;
    std::vector<ReceivedDatagram> received_;
    std::vector<SentDatagram> sent_;
};

}  // namespace zamo
