#pragma once

#include <netinet/in.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace zamo::test {

// A datagram as a test peer received it, with the sender's port.
struct ReceivedDatagram {
    std::string bytes;
    int senderPort = 0;
};

// A UDP socket on a loopback address and a free port, standing in for the server (or for a
// stranger) in transport tests.
class UdpPeer {
  public:
    // Binds to address:0. valid() is false when the address cannot be bound.
    explicit UdpPeer(const char* address = "127.0.0.1");
    ~UdpPeer();
    UdpPeer(const UdpPeer&) = delete;
    UdpPeer& operator=(const UdpPeer&) = delete;

    bool valid() const { return socket_ >= 0; }
    int port() const { return port_; }

    // Sends the bytes as one datagram to 127.0.0.1:port; true when all were sent.
    bool sendTo(int port, std::string_view bytes) const;

    // Waits at most `timeout` for one datagram.
    std::optional<ReceivedDatagram> receive(std::chrono::milliseconds timeout) const;

  private:
    int socket_ = -1;
    int port_ = 0;
};

// The local port a socket is bound to.
int localPort(int socket);

}  // namespace zamo::test
