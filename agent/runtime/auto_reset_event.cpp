// An auto-reset event for waking threads.
#include "agent/runtime/auto_reset_event.h"

namespace zamo {

void AutoResetEvent::signal() {
    {
        std::lock_guard lock(mutex_);
        signalled_ = true;
    }
    condition_.notify_one();
}

void AutoResetEvent::wait() {
    std::unique_lock lock(mutex_);
    condition_.wait(lock, [this] { return signalled_; });
    signalled_ = false;
}

bool AutoResetEvent::waitFor(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    if (!condition_.wait_for(lock, timeout, [this] { return signalled_; })) {
        return false;
    }
    signalled_ = false;
    return true;
}

void AutoResetEvent::reset() {
    std::lock_guard lock(mutex_);
    signalled_ = false;
}

}  // namespace zamo
