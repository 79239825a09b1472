#include "support/show_watcher.h"

#include <chrono>

namespace zamo::test {

namespace {

using namespace std::chrono_literals;

// The play mode of a monitor's picture: "(pm 1)" is before_kick_off.
constexpr const char* kBeforeKickOff = "(pm 1)";

}  // namespace

bool ShowWatcher::start(int port) {
    if (!peer_.valid() || !peer_.sendTo(port, std::string("(dispinit version 5)") + '\0')) {
        return false;
    }
    const auto first = peer_.receive(5s);
    if (!first) {
        return false;
    }
    thread_ = std::thread([this] { watch(); });
    return true;
}

ShowWatcher::~ShowWatcher() {
    stop_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
}

void ShowWatcher::watch() {
    while (!stop_.load()) {
        const auto datagram = peer_.receive(100ms);
        if (!datagram || !datagram->bytes.starts_with("(show ")) {
            continue;
        }
        std::lock_guard lock(mutex_);
        if (kickedOff_) {
            continue;
        }
        if (datagram->bytes.find(kBeforeKickOff) != std::string::npos) {
            lastBeforeKickOff_ = datagram->bytes;
        } else if (!lastBeforeKickOff_.empty()) {
            kickedOff_ = true;
        }
    }
}

std::map<int, Point> ShowWatcher::placesBeforeKickOff() const {
    std::lock_guard lock(mutex_);
    return kickedOff_ ? placesOfShow(lastBeforeKickOff_) : std::map<int, Point>{};
}

}  // namespace zamo::test
