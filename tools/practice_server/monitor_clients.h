#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "tools/practice_server/field_state.h"

namespace zamo::practice {

// A monitor watching the match: answered, like a player, from a port of its own.
struct MonitorClient {
    int connection = -1;
    Peer peer;
};

// The monitors connected with (dispinit version 5) on the registration port.
class MonitorClients {
  public:
    // Each monitor costs a socket; a flood of introductions must not use up the server's.
    static constexpr std::size_t kMaxMonitors = 16;
    // The one protocol version spoken: text shows with play mode, teams and focus point.
    static constexpr double kVersion = 5.0;

    // The version of an introduction "(dispinit version N)" (1 for a bare "(dispinit)");
    // nothing when the text is no introduction.
    static std::optional<double> introductionVersion(std::string_view text);

    bool full() const { return clients_.size() >= kMaxMonitors; }
    // The connection of a monitor already introduced from that peer, if any.
    std::optional<int> connectionOf(Peer peer) const;
    void add(int connection, Peer peer);
    const MonitorClient* find(int connection) const;
    void remove(int connection);
    const std::vector<MonitorClient>& clients() const { return clients_; }

  private:
    std::vector<MonitorClient> clients_;
};

}  // namespace zamo::practice
