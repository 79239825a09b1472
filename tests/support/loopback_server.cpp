#include "support/loopback_server.h"

#include <utility>

namespace zamo::test {

std::optional<std::string> LoopbackServer::receive(std::chrono::milliseconds timeout) {
    return receiveOn(listener_, timeout);
}

std::optional<std::string> LoopbackServer::receiveOnReplyPort(std::chrono::milliseconds timeout) {
    return receiveOn(replier_, timeout);
}

std::optional<std::string> LoopbackServer::receiveOn(const UdpPeer& peer,
                                                     std::chrono::milliseconds timeout) {
    std::optional<ReceivedDatagram> datagram = peer.receive(timeout);
    if (!datagram) {
        return std::nullopt;
    }
    clientPort_ = datagram->senderPort;
    return std::move(datagram->bytes);
}

bool LoopbackServer::reply(std::string_view text) {
    if (clientPort_ == 0) {
        return false;
    }
    std::string datagram(text);
    datagram.push_back('\0');
    return replier_.sendTo(clientPort_, datagram);
}

}  // namespace zamo::test
