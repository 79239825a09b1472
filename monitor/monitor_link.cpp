#include "monitor/monitor_link.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zamo::monitor {

namespace {

constexpr const char* kInit = "(dispinit version 5)";
// The largest datagram the server sends; a show of 22 players is about 4 kB.
constexpr std::size_t kMaxDatagram = 65536;

}  // namespace

MonitorLink::~MonitorLink() {
    close();
}

bool MonitorLink::open(const std::string& host, int port, std::string& error) {
    close();
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    const int status = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (status != 0 || found == nullptr) {
        error = "cannot find the host '" + host + "': " + ::gai_strerror(status);
        return false;
    }
    address_ = ntohl(reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr);
    ::freeaddrinfo(found);
    socket_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (socket_ < 0) {
        error = std::string("cannot open a UDP socket: ") + std::strerror(errno);
        return false;
    }
    host_ = host;
    port_ = port;
    serverPort_ = 0;
    state_ = State::kWaiting;
    initSent_ = false;
    return true;
}

bool MonitorLink::sendTo(std::uint16_t port, const std::string& text) {
    if (socket_ < 0) {
        return false;
    }
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(port);
    target.sin_addr.s_addr = htonl(address_);
    // The server reads a command up to its zero byte.
    const std::string bytes = text + '\0';
    return ::sendto(socket_, bytes.data(), bytes.size(), 0,
                    reinterpret_cast<const sockaddr*>(&target),
                    sizeof target) == static_cast<ssize_t>(bytes.size());
}

void MonitorLink::tick(long long nowMs) {
    if (state_ == State::kClosed) {
        return;
    }
    if (state_ == State::kConnected && nowMs - lastHeardMs_ > kSilenceMs) {
        // The server went away or restarted; a new one would not know this monitor.
        state_ = State::kWaiting;
        serverPort_ = 0;
        initSent_ = false;
    }
    if (state_ == State::kWaiting && (!initSent_ || nowMs - lastInitMs_ >= kRetryMs)) {
        sendTo(static_cast<std::uint16_t>(port_), kInit);
        initSent_ = true;
        lastInitMs_ = nowMs;
    }
}

void MonitorLink::receive(long long nowMs, std::vector<std::string>& texts) {
    if (socket_ < 0) {
        return;
    }
    buffer_.resize(kMaxDatagram);
    std::vector<char>& buffer = buffer_;
    for (;;) {
        sockaddr_in sender{};
        socklen_t senderLength = sizeof sender;
        const ssize_t n = ::recvfrom(socket_, buffer.data(), buffer.size(), 0,
                                     reinterpret_cast<sockaddr*>(&sender), &senderLength);
        if (n < 0) {
            // An earlier introduction sent to a closed port comes back as a refusal once.
            if (errno == ECONNREFUSED || errno == EINTR) {
                continue;
            }
            return;
        }
        if (ntohl(sender.sin_addr.s_addr) != address_) {
            continue;
        }
        const int from = ntohs(sender.sin_port);
        if (state_ == State::kWaiting) {
            state_ = State::kConnected;
            serverPort_ = from;
        } else if (from != serverPort_) {
            // A late answer of an earlier connection, or a stranger on the server's host.
            continue;
        }
        lastHeardMs_ = nowMs;
        std::size_t length = static_cast<std::size_t>(n);
        while (length > 0 && buffer[length - 1] == '\0') {
            --length;
        }
        texts.emplace_back(buffer.data(), length);
    }
}

bool MonitorLink::kickOff() {
    return state_ == State::kConnected &&
           sendTo(static_cast<std::uint16_t>(serverPort_), "(dispstart)");
}

void MonitorLink::close() {
    if (socket_ < 0) {
        return;
    }
    if (state_ == State::kConnected) {
        sendTo(static_cast<std::uint16_t>(serverPort_), "(dispbye)");
    }
    ::close(socket_);
    socket_ = -1;
    state_ = State::kClosed;
    serverPort_ = 0;
}

}  // namespace zamo::monitor
