#pragma once

#include <chrono>
#include <csignal>
#include <deque>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "tools/practice_server/match.h"
#include "tools/practice_server/random_source.h"
#include "tools/practice_server/server_options.h"

namespace zamo::practice {

// The sockets around a match: the registration port on 127.0.0.1, one fresh port per client
// connection, and the main loop (one thread, poll with time-outs). In real time a cycle lasts
// 100 ms of a steady clock; in synchronous mode it ends when every player is done, and the match
// sees a clock of its own that advances 100 ms a cycle. Datagrams may be dropped and delayed on
// their way, both ways.
class UdpHost {
  public:
    explicit UdpHost(const HostOptions& options = {});
    ~UdpHost();
    UdpHost(const UdpHost&) = delete;
    UdpHost& operator=(const UdpHost&) = delete;

    // Binds the registration port (0 picks a free one); false with a reason on failure.
    bool open(int port, std::string& error);
    int port() const { return port_; }

    // A flag a signal handler sets to end the match early; run() then returns at once.
    void setStopFlag(const volatile std::sig_atomic_t* flag) { stop_ = flag; }

    // Plays the match until time over (or the stop flag). Every datagram both ways goes to record
    // when given; goals and the final score go to report. False when a socket fails.
    bool run(Match& match, std::ostream* record, std::ostream& report, std::string& error);

  private:
    // A datagram on its way, held back by the delay.
    struct Held {
        long long dueMs = 0;
        bool incoming = false;
        int connection = -1;
        Peer peer;
        std::string text;
    };

    void runRealTime(Match& match, std::ostream& report);
    void runSynchronous(Match& match, std::ostream& report);
    // Waits for datagrams until untilMs of the host's clock (not past the next held one), takes
    // what came and passes on what is due; the match clock reads matchMs.
    void pump(Match& match, long long untilMs, long long matchMs);
    long long elapsedMs() const;
    bool stopped() const { return failed_ || (stop_ != nullptr && *stop_ != 0); }

    int socketFor(int connection);
    void receiveAll(int socket, int connection, Match& match, long long matchMs);
    void deliver(const Held& datagram, Match& match, long long matchMs);
    void transmit(const Outgoing& datagram, Match& match);
    void flush(Match& match);
    void passOnDue(Match& match, long long matchMs);
    void closeConnections();
    // True when the loss takes this datagram; registration traffic is never taken.
    bool lost(int connection, const std::string& text);
    void writeRecord(Match& match, const char* direction, int port, std::string_view text);
    void write(std::ostream& report, Match& match);

    HostOptions options_;
    RandomSource random_;
    std::chrono::steady_clock::time_point start_;
    int main_ = -1;
    int port_ = 0;
    std::map<int, int> connections_;  // connection id -> socket
    std::set<int> closing_;           // connections to close once nothing held is for them
    std::deque<Held> held_;           // in the order they fall due
    std::ostream* record_ = nullptr;
    const volatile std::sig_atomic_t* stop_ = nullptr;
    bool failed_ = false;
    std::string error_;
};

}  // namespace zamo::practice
