#include "support/loopback_server.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>

namespace zamo::test {

namespace {

// A datagram socket bound to a free loopback port; -1 on failure.
int openLoopbackSocket(int& port) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0) {
        return -1;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t size = sizeof(address);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        ::close(fd);
        return -1;
    }
    port = ntohs(address.sin_port);
    return fd;
}

}  // namespace

LoopbackServer::LoopbackServer() {
    listenSocket_ = openLoopbackSocket(listenPort_);
    replySocket_ = openLoopbackSocket(replyPort_);
}

LoopbackServer::~LoopbackServer() {
    if (listenSocket_ >= 0) {
        ::close(listenSocket_);
    }
    if (replySocket_ >= 0) {
        ::close(replySocket_);
    }
}

std::optional<std::string> LoopbackServer::receive(std::chrono::milliseconds timeout) {
    return receiveOn(listenSocket_, timeout);
}

std::optional<std::string> LoopbackServer::receiveOnReplyPort(std::chrono::milliseconds timeout) {
    return receiveOn(replySocket_, timeout);
}

std::optional<std::string> LoopbackServer::receiveOn(int socket,
                                                     std::chrono::milliseconds timeout) {
    pollfd waiting{socket, POLLIN, 0};
    if (socket < 0 || ::poll(&waiting, 1, static_cast<int>(timeout.count())) != 1) {
        return std::nullopt;
    }
    std::array<char, 8192> buffer;
    sockaddr_in sender{};
    socklen_t size = sizeof(sender);
    const ssize_t length = ::recvfrom(socket, buffer.data(), buffer.size(), 0,
                                      reinterpret_cast<sockaddr*>(&sender), &size);
    if (length < 0) {
        return std::nullopt;
    }
    client_ = sender;
    haveClient_ = true;
    return std::string(buffer.data(), static_cast<std::size_t>(length));
}

bool LoopbackServer::reply(std::string_view text) {
    if (!haveClient_ || replySocket_ < 0) {
        return false;
    }
    std::string datagram(text);
    datagram.push_back('\0');
    const ssize_t sent = ::sendto(replySocket_, datagram.data(), datagram.size(), 0,
                                  reinterpret_cast<const sockaddr*>(&client_), sizeof(client_));
    return sent == static_cast<ssize_t>(datagram.size());
}

}  // namespace zamo::test
