#include "tools/practice_server/udp_host.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

namespace zamo::practice {

namespace {

constexpr std::size_t kMaxDatagram = 8192;
constexpr long long kCycleMs = 100;
// Synchronous mode: the offset into the cycle at which the players are told to think (visual
// messages due before it go out first), and how long the server waits for them.
constexpr long long kThinkOffsetMs = 60;
constexpr long long kDoneWaitMs = 1250;
// The loss stream gets a seed of its own, so that the match's chance is the same with or without
// it.
constexpr std::uint64_t kLossSeedMix = 0x9e3779b97f4a7c15ULL;

// A non-blocking UDP socket bound to 127.0.0.1:port, or -1.
int openSocket(int port) {
    const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (s < 0) {
        return -1;
    }
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<std::uint16_t>(port));
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(s, reinterpret_cast<const sockaddr*>(&local), sizeof local) < 0) {
        ::close(s);
        return -1;
    }
    return s;
}

std::string printable(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c == '\n' || c == '\t' || c == '\r' || c == '\0') {
            c = ' ';
        }
    }
    return out;
}

bool registrationTraffic(std::string_view text) {
    for (const std::string_view prefix :
         {"(init ", "(reconnect ", "(server_param ", "(player_param ", "(player_type "}) {
        if (text.starts_with(prefix)) {
            return true;
        }
    }
    return false;
}

}  // namespace

UdpHost::UdpHost(const HostOptions& options)
    : options_(options), random_(options.seed ^ kLossSeedMix) {}

UdpHost::~UdpHost() {
    for (const auto& [id, s] : connections_) {
        ::close(s);
    }
    if (main_ >= 0) {
        ::close(main_);
    }
}

bool UdpHost::open(int port, std::string& error) {
    main_ = openSocket(port);
    if (main_ < 0) {
        error = "cannot listen on 127.0.0.1:" + std::to_string(port) + ": " + std::strerror(errno);
        return false;
    }
    sockaddr_in local{};
    socklen_t length = sizeof local;
    ::getsockname(main_, reinterpret_cast<sockaddr*>(&local), &length);
    port_ = ntohs(local.sin_port);
    return true;
}

long long UdpHost::elapsedMs() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start_)
        .count();
}

int UdpHost::socketFor(int connection) {
    if (connection < 0) {
        return main_;
    }
    const auto found = connections_.find(connection);
    if (found != connections_.end()) {
        return found->second;
    }
    const int s = openSocket(0);
    if (s < 0) {
        failed_ = true;
        error_ = std::string("cannot open a client port: ") + std::strerror(errno);
        return -1;
    }
    connections_[connection] = s;
    return s;
}

void UdpHost::writeRecord(Match& match, const char* direction, int port, std::string_view text) {
    if (record_ != nullptr) {
        *record_ << match.time() << '\t' << elapsedMs() << '\t' << direction << '\t' << port << '\t'
                 << printable(text) << '\n';
    }
}

bool UdpHost::lost(int connection, const std::string& text) {
    if (options_.loss <= 0.0 || connection < 0 || registrationTraffic(text)) {
        return false;
    }
    return random_.uniform() < options_.loss;
}

void UdpHost::receiveAll(int socket, int connection, Match& match, long long matchMs) {
    std::array<char, kMaxDatagram> buffer{};
    for (;;) {
        sockaddr_in sender{};
        socklen_t senderLength = sizeof sender;
        const ssize_t n = ::recvfrom(socket, buffer.data(), buffer.size(), 0,
                                     reinterpret_cast<sockaddr*>(&sender), &senderLength);
        if (n < 0) {
            return;
        }
        std::string_view text(buffer.data(), static_cast<std::size_t>(n));
        while (!text.empty() && text.back() == '\0') {
            text.remove_suffix(1);
        }
        Held datagram{elapsedMs() + options_.delayMs, true, connection,
                      Peer{ntohl(sender.sin_addr.s_addr), ntohs(sender.sin_port)},
                      std::string(text)};
        if (lost(connection, datagram.text)) {
            writeRecord(match, "lost-in", datagram.peer.port, datagram.text);
        } else if (options_.delayMs > 0) {
            held_.push_back(std::move(datagram));
        } else {
            deliver(datagram, match, matchMs);
        }
    }
}

void UdpHost::deliver(const Held& datagram, Match& match, long long matchMs) {
    writeRecord(match, "in", datagram.peer.port, datagram.text);
    if (datagram.connection < 0) {
        match.receiveOnMainPort(datagram.peer, datagram.text, matchMs);
    } else {
        match.receiveOnConnection(datagram.connection, datagram.peer, datagram.text);
    }
}

void UdpHost::transmit(const Outgoing& o, Match& match) {
    const int s = socketFor(o.connection);
    if (s < 0) {
        return;
    }
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(o.peer.port);
    target.sin_addr.s_addr = htonl(o.peer.address);
    // Every datagram ends with one zero byte, as the real server sends it.
    const std::string bytes = o.text + '\0';
    // A client that went away must not stop the match, so send errors are not fatal.
    ::sendto(s, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&target),
             sizeof target);
    writeRecord(match, "out", o.peer.port, o.text);
}

void UdpHost::flush(Match& match) {
    // Replies queued before a connection closed still leave from its port.
    const std::vector<int> closed = match.takeClosedConnections();
    for (Outgoing& o : match.takeOutgoing()) {
        // A new connection's port is opened now, so that it exists before anything held for it.
        if (socketFor(o.connection) < 0) {
            return;
        }
        if (lost(o.connection, o.text)) {
            writeRecord(match, "lost-out", o.peer.port, o.text);
        } else if (options_.delayMs > 0) {
            held_.push_back(
                {elapsedMs() + options_.delayMs, false, o.connection, o.peer, std::move(o.text)});
        } else {
            transmit(o, match);
        }
    }
    closing_.insert(closed.begin(), closed.end());
    closeConnections();
}

void UdpHost::passOnDue(Match& match, long long matchMs) {
    const long long now = elapsedMs();
    while (!held_.empty() && held_.front().dueMs <= now) {
        const Held datagram = std::move(held_.front());
        held_.pop_front();
        if (datagram.incoming) {
            deliver(datagram, match, matchMs);
        } else {
            transmit({datagram.connection, datagram.peer, datagram.text}, match);
        }
    }
    // What the match answered to delivered datagrams goes on its way too.
    flush(match);
}

void UdpHost::closeConnections() {
    for (auto it = closing_.begin(); it != closing_.end();) {
        const int id = *it;
        const bool stillHeld = std::any_of(held_.begin(), held_.end(), [id](const Held& h) {
            return !h.incoming && h.connection == id;
        });
        if (stillHeld) {
            ++it;
            continue;
        }
        const auto found = connections_.find(id);
        if (found != connections_.end()) {
            ::close(found->second);
            connections_.erase(found);
        }
        it = closing_.erase(it);
    }
}

void UdpHost::pump(Match& match, long long untilMs, long long matchMs) {
    std::vector<pollfd> fds{pollfd{main_, POLLIN, 0}};
    std::vector<int> ids{-1};
    for (const auto& [id, s] : connections_) {
        fds.push_back({s, POLLIN, 0});
        ids.push_back(id);
    }
    long long wake = untilMs;
    if (!held_.empty()) {
        wake = std::min(wake, held_.front().dueMs);
    }
    const long long timeout = std::max(0LL, wake - elapsedMs());
    if (::poll(fds.data(), fds.size(), static_cast<int>(timeout)) < 0 && errno != EINTR) {
        failed_ = true;
        error_ = std::string("poll failed: ") + std::strerror(errno);
        return;
    }
    for (std::size_t i = 0; i < fds.size(); ++i) {
        if ((fds[i].revents & POLLIN) != 0) {
            receiveAll(fds[i].fd, ids[i], match, matchMs);
        }
    }
    passOnDue(match, matchMs);
}

void UdpHost::write(std::ostream& report, Match& match) {
    for (const std::string& line : match.takeReport()) {
        report << line << std::endl;
    }
}

bool UdpHost::run(Match& match, std::ostream* record, std::ostream& report, std::string& error) {
    record_ = record;
    start_ = std::chrono::steady_clock::now();
    if (options_.synchronous) {
        runSynchronous(match, report);
    } else {
        runRealTime(match, report);
    }
    // What is still on its way arrives, as it would on a network.
    while (!held_.empty() && !failed_) {
        pump(match, held_.front().dueMs, elapsedMs());
    }
    flush(match);
    write(report, match);
    if (record_ != nullptr) {
        record_->flush();
    }
    if (failed_) {
        error = error_;
        return false;
    }
    return true;
}

void UdpHost::runRealTime(Match& match, std::ostream& report) {
    long long nextStepMs = kCycleMs;
    while (!match.finished() && !stopped()) {
        long long wake = nextStepMs;
        const long long see = match.nextSeeDue();
        if (see >= 0 && see < wake) {
            wake = see;
        }
        pump(match, wake, elapsedMs());
        const long long now = elapsedMs();
        if (now >= nextStepMs) {
            match.step();
            nextStepMs += kCycleMs;
            // After a long stall (a suspended process) go on from now instead of racing.
            if (now - nextStepMs > 10 * kCycleMs) {
                nextStepMs = now + kCycleMs;
            }
        }
        match.sendDueSees(now);
        flush(match);
        write(report, match);
    }
}

void UdpHost::runSynchronous(Match& match, std::ostream& report) {
    // The match's own clock: kCycleMs per cycle, however long the players take.
    long long matchMs = 0;
    while (!match.finished() && !stopped()) {
        const long long cycleStartMs = elapsedMs();
        // Before the first kick-off players are still starting: the cycle keeps its length.
        const bool registering = match.playMode() == kBeforeKickOff && match.time() == 0;
        match.sendDueSees(matchMs + kThinkOffsetMs);
        flush(match);
        match.sendThink();
        flush(match);
        const long long giveUpMs = elapsedMs() + kDoneWaitMs;
        while (!stopped() && !match.allDone() && elapsedMs() < giveUpMs) {
            pump(match, giveUpMs, matchMs);
        }
        while (registering && !stopped() && elapsedMs() < cycleStartMs + kCycleMs) {
            pump(match, cycleStartMs + kCycleMs, matchMs);
        }
        match.sendDueSees(matchMs + kCycleMs - 1);
        matchMs += kCycleMs;
        match.step();
        flush(match);
        write(report, match);
    }
}

}  // namespace zamo::practice
