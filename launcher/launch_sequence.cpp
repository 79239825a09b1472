#include "launcher/launch_sequence.h"

#include <utility>

namespace zamo {

LaunchSequence::LaunchSequence(ProcessStarter& starter, QObject* parent)
    : QObject(parent), starter_(starter) {
    pause_.setSingleShot(true);
    // A coarse timer may fire early; the pause exists to give the previous program time.
    pause_.setTimerType(Qt::PreciseTimer);
    connect(&pause_, &QTimer::timeout, this, &LaunchSequence::startNext);
}

bool LaunchSequence::run(std::vector<StartRequest> plan, int waitInterval) {
    if (running_) {
        return false;
    }
    plan_ = std::move(plan);
    next_ = 0;
    pause_.setInterval(clampWaitInterval(waitInterval));
    running_ = true;
    startNext();
    return true;
}

void LaunchSequence::startNext() {
    while (next_ < plan_.size()) {
        const bool started = starter_.start(plan_[next_]);
        ++next_;
        if (started && next_ < plan_.size()) {
            pause_.start();
            return;
        }
    }
    plan_.clear();
    running_ = false;
    emit finished();
}

}  // namespace zamo
