#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "support/udp_peer.h"

namespace zamo::test {

// A stand-in for the simulator on 127.0.0.1. Clients send to port(); answers go out from a
// second socket on another port, as the real server answers a new client from a port of its own.
class LoopbackServer {
  public:
    bool ok() const { return listener_.valid() && replier_.valid(); }
    int port() const { return listener_.port(); }
    int replyPort() const { return replier_.port(); }

    // The next datagram sent to port(), byte for byte (zero bytes included); nothing when none
    // arrives within the time-out. Remembers the sender for reply().
    std::optional<std::string> receive(std::chrono::milliseconds timeout = std::chrono::seconds(2));
    // The same for datagrams sent to replyPort().
    std::optional<std::string> receiveOnReplyPort(
        std::chrono::milliseconds timeout = std::chrono::seconds(2));
    // Sends text followed by one zero byte from replyPort() to the last sender.
    bool reply(std::string_view text);

  private:
    std::optional<std::string> receiveOn(const UdpPeer& peer, std::chrono::milliseconds timeout);

    UdpPeer listener_;
    UdpPeer replier_;
    int clientPort_ = 0;
};

}  // namespace zamo::test
