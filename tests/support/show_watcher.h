#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "support/match_record.h"
#include "support/udp_peer.h"

namespace zamo::test {

// Watches a real server's match as a monitor does ("(dispinit version 5)"): it takes the
// server's picture of every cycle, before the kick-off too, which the game log leaves out.
class ShowWatcher {
  public:
    // Starts watching the server on port; false when the server did not answer.
    bool start(int port);
    ~ShowWatcher();

    // Where every player stood in the last picture before the first kick-off, by the keys of
    // analyseGameLog; empty until the kick-off was seen.
    std::map<int, Point> placesBeforeKickOff() const;

  private:
    void watch();

    UdpPeer peer_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::string lastBeforeKickOff_;
    bool kickedOff_ = false;
};

}  // namespace zamo::test
