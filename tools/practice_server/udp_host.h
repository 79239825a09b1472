#pragma once

#include <csignal>
#include <map>
#include <ostream>
#include <string>

#include "tools/practice_server/match.h"

namespace zamo::practice {

// The sockets around a match: the registration port on 127.0.0.1, one fresh port per client
// connection, and the main loop on a steady clock (one thread, poll with time-outs).
class UdpHost {
  public:
    UdpHost() = default;
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
    int socketFor(int connection);
    void receiveAll(int socket, int connection, Match& match, long long nowMs);
    void flush(Match& match, long long nowMs);
    void write(std::ostream& report, Match& match);

    int main_ = -1;
    int port_ = 0;
    std::map<int, int> connections_;  // connection id -> socket
    std::ostream* record_ = nullptr;
    const volatile std::sig_atomic_t* stop_ = nullptr;
    bool failed_ = false;
    std::string error_;
};

}  // namespace zamo::practice
