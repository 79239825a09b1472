#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>

#include "launcher/launch_plan.h"
#include "launcher/process_starter.h"

namespace zamo::test {

// Records each start with the milliseconds since construction; programs in `failing` fail.
class RecordingStarter final : public ProcessStarter {
  public:
    struct Call {
        StartRequest request;
        qint64 atMs;
    };

    RecordingStarter() { clock_.start(); }

    bool start(const StartRequest& request) override {
        calls.push_back({request, clock_.elapsed()});
        if (onStart) {
            onStart();
        }
        return failing.count(request.program) == 0;
    }

    std::vector<Call> calls;
    std::set<std::string> failing;
    std::function<void()> onStart;

  private:
    QElapsedTimer clock_;
};

// Runs the event loop until `done` holds or `timeoutMs` passes; returns `done()`.
inline bool processEventsUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return done();
}

}  // namespace zamo::test
