#pragma once

#include <netinet/in.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace zamo::test {

// A stand-in for the simulator on 127.0.0.1. Clients send to port(); answers go out from a
// second socket on another port, as the real server answers a new client from a port of its own.
class LoopbackServer {
  public:
    LoopbackServer();
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    bool ok() const { return listenSocket_ >= 0 && replySocket_ >= 0; }
    int port() const { return listenPort_; }
    int replyPort() const { return replyPort_; }

    // The next datagram sent to port(), byte for byte (zero bytes included); nothing when none
    // arrives within the time-out. Remembers the sender for reply().
    std::optional<std::string> receive(std::chrono::milliseconds timeout = std::chrono::seconds(2));
    // The same for datagrams sent to replyPort().
    std::optional<std::string> receiveOnReplyPort(
        std::chrono::milliseconds timeout = std::chrono::seconds(2));
    // Sends text followed by one zero byte from replyPort() to the last sender.
    bool reply(std::string_view text);

  private:
    std::optional<std::string> receiveOn(int socket, std::chrono::milliseconds timeout);

    int listenSocket_ = -1;
    int replySocket_ = -1;
    int listenPort_ = 0;
    int replyPort_ = 0;
    sockaddr_in client_{};
    bool haveClient_ = false;
};

}  // namespace zamo::test
