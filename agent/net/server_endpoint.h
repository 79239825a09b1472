// The UDP socket towards the server: open, send, receive, close.
#pragma once

#include <netinet/in.h>

#include <chrono>
#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

namespace zamo {

// The datagram socket towards the server and the address commands go to. The port follows the
// server: every datagram received from the server's address moves it to the sender's port.
struct ServerEndpoint {
    int socket = -1;
    sockaddr_in serverAddress{};
};

// Opens a datagram socket bound to any local port, aimed at host:port. The host is a name or a
// dotted IPv4 address. On failure the result's socket is -1.
ServerEndpoint openEndpoint(std::string_view host, int port, bool nonBlocking);

// Sends one command. A text ending in a line feed goes out with that line feed replaced by one
// zero byte; any other text goes out followed by one zero byte. True when the whole datagram
// was accepted by the socket.
bool sendCommand(const ServerEndpoint& endpoint, std::string_view text);

// Reads without blocking. On success the buffer holds the datagram followed by a zero byte and
// the result is its length (at least 1). A datagram that does not fit with its terminator, an
// empty one, or one from another address than the server's is dropped and the next waiting one
// is read (at most 16 reads per call); with none left there is no result and buffer[0] is zero.
// Only a datagram from the server moves the reply port.
std::optional<std::size_t> receiveDatagram(ServerEndpoint& endpoint, std::span<char> buffer);
// The same, also telling when the datagram reached the host (the kernel's receive time on the
// steady clock; the time of reading where the socket gives none), so that the time it waited in
// the socket counts.
std::optional<std::size_t> receiveDatagram(ServerEndpoint& endpoint, std::span<char> buffer,
                                           std::chrono::steady_clock::time_point& arrival);

// Closes the socket, if open, and marks the endpoint closed.
void closeEndpoint(ServerEndpoint& endpoint);

}  // namespace zamo
