// The UDP socket towards the server: open, send, receive, close.
#include "agent/net/server_endpoint.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace zamo {
namespace {

// Datagrams read by one receiveDatagram call at most, dropped ones included.
constexpr int kMaxReadsPerCall = 16;

// The server's IPv4 address for a host name or dotted text; nullopt when it is neither.
std::optional<in_addr> resolveHost(std::string_view host) {
    if (host.empty() || host.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    const std::string name(host);
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(name.c_str(), nullptr, &hints, &found) == 0 && found != nullptr) {
        const in_addr address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
        freeaddrinfo(found);
        return address;
    }
    in_addr address{};
    if (inet_pton(AF_INET, name.c_str(), &address) == 1) {
        return address;
    }
    return std::nullopt;
}

std::chrono::nanoseconds sinceEpoch(const timespec& t) {
    return std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec);
}

// The kernel stamps with the real-time clock; the age of the stamp carries it over to the steady
// clock, which does not jump. Both clocks are read as one instant: a reading of the real-time
// clock between two steady ones taken close together, so that a thread preempted between them
// does not date the datagram earlier than it came (making a command sent before it seem late).
std::chrono::steady_clock::time_point steadyArrival(const msghdr& message) {
    constexpr auto kCloseTogether = std::chrono::microseconds(20);
    constexpr int kReadings = 4;
    for (cmsghdr* item = CMSG_FIRSTHDR(&message); item != nullptr;
         item = CMSG_NXTHDR(const_cast<msghdr*>(&message), item)) {
        if (item->cmsg_level != SOL_SOCKET || item->cmsg_type != SCM_TIMESTAMPNS) {
            continue;
        }
        timespec stamp{};
        std::memcpy(&stamp, CMSG_DATA(item), sizeof stamp);
        auto now = std::chrono::steady_clock::now();
        timespec realNow{};
        for (int reading = 0; reading < kReadings; ++reading) {
            const auto before = std::chrono::steady_clock::now();
            ::clock_gettime(CLOCK_REALTIME, &realNow);
            const auto after = std::chrono::steady_clock::now();
            now = before + (after - before) / 2;
            if (after - before <= kCloseTogether) {
                break;
            }
        }
        const auto age = sinceEpoch(realNow) - sinceEpoch(stamp);
        return age.count() > 0
                   ? now - std::chrono::duration_cast<std::chrono::steady_clock::duration>(age)
                   : now;
    }
    return std::chrono::steady_clock::now();
}

}  // namespace

ServerEndpoint openEndpoint(std::string_view host, int port, bool nonBlocking) {
    ServerEndpoint endpoint;
    // htons would silently aim a port outside this range at another one.
    if (port < 0 || port > 65535) {
        return endpoint;
    }
    const std::optional<in_addr> address = resolveHost(host);
    if (!address) {
        return endpoint;
    }
    const int handle = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (handle < 0) {
        std::fputs("Can't open socket.\n", stderr);
        return endpoint;
    }
    if (nonBlocking) {
        const int flags = ::fcntl(handle, F_GETFL, 0);
        if (flags < 0 || ::fcntl(handle, F_SETFL, flags | O_NONBLOCK) < 0) {
            std::fputs("Can't ioctl on socket", stdout);
            std::fflush(stdout);
            ::close(handle);
            return endpoint;
        }
    }
    // Without the stamps the arrival times are the reading times: still usable, only later.
    const int stamps = 1;
    ::setsockopt(handle, SOL_SOCKET, SO_TIMESTAMPNS, &stamps, sizeof stamps);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = 0;
    if (::bind(handle, reinterpret_cast<const sockaddr*>(&local), sizeof local) < 0) {
        std::fputs("Can't bind local address.\n", stderr);
        ::close(handle);
        return endpoint;
    }
    endpoint.socket = handle;
    endpoint.serverAddress.sin_family = AF_INET;
    endpoint.serverAddress.sin_addr = *address;
    endpoint.serverAddress.sin_port = htons(static_cast<std::uint16_t>(port));
    return endpoint;
}

bool sendCommand(const ServerEndpoint& endpoint, std::string_view text) {
    if (endpoint.socket < 0) {
        return false;
    }
    // The server reads each command as text followed by one zero byte. Gathering the two parts
    // avoids copying the text into a buffer of some fixed size.
    if (text.ends_with('\n')) {
        text.remove_suffix(1);
    }
    static constexpr char kTerminator = '\0';
    std::array<iovec, 2> parts{{
        {const_cast<char*>(text.data()), text.size()},
        {const_cast<char*>(&kTerminator), 1},
    }};
    msghdr message{};
    message.msg_name = const_cast<sockaddr_in*>(&endpoint.serverAddress);
    message.msg_namelen = sizeof endpoint.serverAddress;
    message.msg_iov = parts.data();
    message.msg_iovlen = parts.size();
    const ssize_t sent = ::sendmsg(endpoint.socket, &message, MSG_NOSIGNAL);
    return sent >= 0 && static_cast<std::size_t>(sent) == text.size() + 1;
}

std::optional<std::size_t> receiveDatagram(ServerEndpoint& endpoint, std::span<char> buffer) {
    std::chrono::steady_clock::time_point arrival;
    return receiveDatagram(endpoint, buffer, arrival);
}

std::optional<std::size_t> receiveDatagram(ServerEndpoint& endpoint, std::span<char> buffer,
                                           std::chrono::steady_clock::time_point& arrival) {
    if (buffer.empty()) {
        return std::nullopt;
    }
    buffer[0] = '\0';
    if (endpoint.socket < 0) {
        return std::nullopt;
    }
    // A dropped datagram must not hide those queued behind it until the next poll; the bound
    // keeps a flood of them from holding the caller.
    for (int read = 0; read < kMaxReadsPerCall; ++read) {
        sockaddr_in sender{};
        iovec part{buffer.data(), buffer.size() - 1};
        alignas(cmsghdr) std::array<char, CMSG_SPACE(sizeof(timespec))> control{};
        msghdr message{};
        message.msg_name = &sender;
        message.msg_namelen = sizeof sender;
        message.msg_iov = &part;
        message.msg_iovlen = 1;
        message.msg_control = control.data();
        message.msg_controllen = control.size();
        // MSG_TRUNC makes the result the datagram's full length, so an oversize one is
        // recognised instead of being passed on cut short.
        const ssize_t length = ::recvmsg(endpoint.socket, &message, MSG_DONTWAIT | MSG_TRUNC);
        if (length < 0) {
            break;
        }
        if (static_cast<std::size_t>(length) > buffer.size() - 1) {
            continue;
        }
        // Only the server may move the reply port: any local process could otherwise redirect
        // the agent's commands by sending it one datagram.
        if (message.msg_namelen < sizeof sender || sender.sin_family != AF_INET ||
            sender.sin_addr.s_addr != endpoint.serverAddress.sin_addr.s_addr) {
            continue;
        }
        endpoint.serverAddress.sin_port = sender.sin_port;
        if (length > 0) {
            buffer[static_cast<std::size_t>(length)] = '\0';
            arrival = steadyArrival(message);
            return static_cast<std::size_t>(length);
        }
    }
    buffer[0] = '\0';
    return std::nullopt;
}

void closeEndpoint(ServerEndpoint& endpoint) {
    if (endpoint.socket >= 0) {
        ::close(endpoint.socket);
    }
    endpoint.socket = -1;
}

}  // namespace zamo
