#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace zamo::test {

struct LoopbackDatagram {
    std::string text;  // up to the first zero byte
    int senderPort = 0;
};

// A bare datagram socket on 127.0.0.1, for playing a client or a stranger in tests.
class LoopbackClient {
  public:
    LoopbackClient();
    ~LoopbackClient();
    LoopbackClient(const LoopbackClient&) = delete;
    LoopbackClient& operator=(const LoopbackClient&) = delete;

    int port() const { return port_; }
    // Sends text followed by one zero byte.
    bool sendTo(int port, const std::string& text) const;
    std::optional<LoopbackDatagram> receive(std::chrono::milliseconds timeout) const;

  private:
    int fd_ = -1;
    int port_ = 0;
};

}  // namespace zamo::test
