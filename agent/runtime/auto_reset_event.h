// An auto-reset event for waking threads.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace zamo {

// An event that stays signalled until one waiter takes the signal. Signals given while nobody
// waits collapse into one.
class AutoResetEvent {
  public:
    AutoResetEvent() = default;
    AutoResetEvent(const AutoResetEvent&) = delete;
    AutoResetEvent& operator=(const AutoResetEvent&) = delete;

    void signal();
    // Takes the signal, waiting for one as long as it takes.
    void wait();
    // True when the signal was taken; false when the time ran out first.
    bool waitFor(std::chrono::milliseconds timeout);
    // Drops a pending signal, if any.
    void reset();

  private:
    std::mutex mutex_;
    std::condition_variable condition_;
    bool signalled_ = false;
};

}  // namespace zamo
