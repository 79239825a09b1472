#include "support/udp_peer.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cstdint>

namespace zamo::test {

UdpPeer::UdpPeer(const char* address) {
    const int handle = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (handle < 0) {
        return;
    }
    sockaddr_in local{};
    local.sin_family = AF_INET;
    if (inet_pton(AF_INET, address, &local.sin_addr) != 1 ||
        ::bind(handle, reinterpret_cast<const sockaddr*>(&local), sizeof local) < 0) {
        ::close(handle);
        return;
    }
    socket_ = handle;
    port_ = localPort(handle);
}

UdpPeer::~UdpPeer() {
    if (socket_ >= 0) {
        ::close(socket_);
    }
}

bool UdpPeer::sendTo(int port, std::string_view bytes) const {
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(static_cast<std::uint16_t>(port));
    target.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const ssize_t sent = ::sendto(socket_, bytes.data(), bytes.size(), 0,
                                  reinterpret_cast<const sockaddr*>(&target), sizeof target);
    return sent >= 0 && static_cast<std::size_t>(sent) == bytes.size();
}

std::optional<ReceivedDatagram> UdpPeer::receive(std::chrono::milliseconds timeout) const {
    pollfd waiting{socket_, POLLIN, 0};
    if (::poll(&waiting, 1, static_cast<int>(timeout.count())) != 1) {
        return std::nullopt;
    }
    std::array<char, 65536> buffer{};
    sockaddr_in sender{};
    socklen_t senderLength = sizeof sender;
    const ssize_t length = ::recvfrom(socket_, buffer.data(), buffer.size(), MSG_DONTWAIT,
                                      reinterpret_cast<sockaddr*>(&sender), &senderLength);
    if (length < 0) {
        return std::nullopt;
    }
    return ReceivedDatagram{std::string(buffer.data(), static_cast<std::size_t>(length)),
                            ntohs(sender.sin_port)};
}

int localPort(int socket) {
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (::getsockname(socket, reinterpret_cast<sockaddr*>(&local), &length) < 0) {
        return 0;
    }
    return ntohs(local.sin_port);
}

}  // namespace zamo::test
