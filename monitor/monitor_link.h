#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zamo::monitor {

// The monitor's side of the simulator's monitor protocol over UDP. It introduces itself with
// (dispinit version 5) on the server's player port; the server answers, and from then on
// listens to this monitor, from a port of its own. Until an answer comes, and again after the
// server has been silent for a while (it stopped or restarted), the introduction is repeated.
// It knows no clock: the caller gives the time in milliseconds of a steady clock.
class MonitorLink {
  public:
    enum class State { kClosed, kWaiting, kConnected };

    static constexpr long long kRetryMs = 1000;
    // The server shows every cycle of 100 ms, also while it waits for the kick-off.
    static constexpr long long kSilenceMs = 3000;

    MonitorLink() = default;
    ~MonitorLink();
    MonitorLink(const MonitorLink&) = delete;
    MonitorLink& operator=(const MonitorLink&) = delete;

    // Resolves the host (IPv4) and opens the socket; false, with a reason, when it cannot.
    bool open(const std::string& host, int port, std::string& error);
    // The socket, to wait on for datagrams; -1 when closed.
    int socket() const { return socket_; }

    // Repeats the introduction when it is due and notices a silent server.
    void tick(long long nowMs);
    // Takes every datagram waiting from the server, without its trailing zero byte. Datagrams
    // from other addresses are dropped.
    void receive(long long nowMs, std::vector<std::string>& texts);
    // (dispstart): the server kicks off when it waits for a kick-off. False when not connected.
    bool kickOff();
    // (dispbye) when connected, then closes the socket.
    void close();

    State state() const { return state_; }
    // The port the server answers from, 0 before its first answer.
    int serverPort() const { return serverPort_; }
    const std::string& host() const { return host_; }
    int port() const { return port_; }

  private:
    bool sendTo(std::uint16_t port, const std::string& text);

    int socket_ = -1;
    std::string host_;
    int port_ = 0;
    std::uint32_t address_ = 0;  // the server's, host order
    int serverPort_ = 0;
    State state_ = State::kClosed;
    long long lastInitMs_ = 0;
    bool initSent_ = false;
    long long lastHeardMs_ = 0;
    std::vector<char> buffer_;
};

}  // namespace zamo::monitor
