#include "support/loopback_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>

namespace zamo::test {

LoopbackClient::LoopbackClient() {
    fd_ = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    if (fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port_ = ntohs(address.sin_port);
    }
}

LoopbackClient::~LoopbackClient() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool LoopbackClient::sendTo(int port, const std::string& text) const {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    const std::string wire = text + '\0';
    return ::sendto(fd_, wire.data(), wire.size(), 0, reinterpret_cast<sockaddr*>(&address),
                    sizeof(address)) == static_cast<ssize_t>(wire.size());
}

std::optional<LoopbackDatagram> LoopbackClient::receive(std::chrono::milliseconds timeout) const {
    pollfd descriptor{fd_, POLLIN, 0};
    if (::poll(&descriptor, 1, static_cast<int>(timeout.count())) <= 0) {
        return std::nullopt;
    }
    std::array<char, 8192> buffer{};
    sockaddr_in sender{};
    socklen_t length = sizeof(sender);
    const ssize_t size = ::recvfrom(fd_, buffer.data(), buffer.size() - 1, 0,
                                    reinterpret_cast<sockaddr*>(&sender), &length);
    if (size < 0) {
        return std::nullopt;
    }
    return LoopbackDatagram{std::string(buffer.data()), ntohs(sender.sin_port)};
}

}  // namespace zamo::test
