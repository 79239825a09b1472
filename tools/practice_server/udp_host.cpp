#include "tools/practice_server/udp_host.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

namespace zamo::practice {

namespace {

constexpr std::size_t kMaxDatagram = 8192;

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

}  // namespace

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

void UdpHost::receiveAll(int socket, int connection, Match& match, long long nowMs) {
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
        const Peer from{ntohl(sender.sin_addr.s_addr), ntohs(sender.sin_port)};
        if (record_ != nullptr) {
            *record_ << match.time() << '\t' << nowMs << "\tin\t" << from.port << '\t'
                     << printable(text) << '\n';
        }
        if (connection < 0) {
            match.receiveOnMainPort(from, text, nowMs);
        } else {
            match.receiveOnConnection(connection, from, text);
        }
    }
}

void UdpHost::flush(Match& match, long long nowMs) {
    // Replies queued before a connection closed still leave from its port.
    const std::vector<int> closed = match.takeClosedConnections();
    for (const Outgoing& o : match.takeOutgoing()) {
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
        if (record_ != nullptr) {
            *record_ << match.time() << '\t' << nowMs << "\tout\t" << o.peer.port << '\t'
                     << printable(o.text) << '\n';
        }
    }
    for (const int id : closed) {
        const auto found = connections_.find(id);
        if (found != connections_.end()) {
            ::close(found->second);
            connections_.erase(found);
        }
    }
}

void UdpHost::write(std::ostream& report, Match& match) {
    for (const std::string& line : match.takeReport()) {
        report << line << std::endl;
    }
}

bool UdpHost::run(Match& match, std::ostream* record, std::ostream& report, std::string& error) {
    record_ = record;
    const auto start = std::chrono::steady_clock::now();
    const auto elapsedMs = [&] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now() - start)
            .count();
    };
    constexpr long long kCycleMs = 100;
    long long nextStepMs = kCycleMs;
    std::vector<pollfd> fds;
    std::vector<int> ids;
    while (!match.finished() && !failed_ && (stop_ == nullptr || *stop_ == 0)) {
        long long wake = nextStepMs;
        const long long see = match.nextSeeDue();
        if (see >= 0 && see < wake) {
            wake = see;
        }
        fds.assign(1, pollfd{main_, POLLIN, 0});
        ids.assign(1, -1);
        for (const auto& [id, s] : connections_) {
            fds.push_back({s, POLLIN, 0});
            ids.push_back(id);
        }
        const long long timeout = std::max(0LL, wake - elapsedMs());
        if (::poll(fds.data(), fds.size(), static_cast<int>(timeout)) < 0 && errno != EINTR) {
            error = std::string("poll failed: ") + std::strerror(errno);
            return false;
        }
        for (std::size_t i = 0; i < fds.size(); ++i) {
            if ((fds[i].revents & POLLIN) != 0) {
                receiveAll(fds[i].fd, ids[i], match, elapsedMs());
            }
        }
        flush(match, elapsedMs());
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
        flush(match, now);
        write(report, match);
    }
    flush(match, elapsedMs());
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

}  // namespace zamo::practice
