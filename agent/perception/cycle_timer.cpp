// Where in the cycle the sensor messages arrive, and the view widths that keep visual ones early.
#include "agent/perception/cycle_timer.h"

#include "agent/config/server_params.h"
#include "agent/perception/clock.h"
#include "agent/perception/self_state.h"

namespace zamo {

double viewWidthFactor(int width) {
    switch (width) {
        case 0:
            return 0.5;
        case 1:
            return 1.0;
        case 2:
            return 2.0;
        default:
            return 0.0;
    }
}

int synchSeeInterval(int width) {
    return width >= 0 && width <= 2 ? width + 1 : 0;
}

bool CycleTimer::synchSeeDue(int cycle, int width, int seeCycle) {
    const int interval = synchSeeInterval(width);
    // Unknown widths and a first cycle wait for the message rather than miss it.
    return interval == 0 || seeCycle < 0 || cycle < seeCycle || cycle - seeCycle >= interval;
}

int CycleTimer::decisionDeadlineMs() const {
    return params_.cycleLength - params_.serverReceiveStep - 15;
}

CycleTimer::TimePoint CycleTimer::decisionDeadline() const {
    return cycleStart + std::chrono::milliseconds(decisionDeadlineMs());
}

void CycleTimer::onBody(int cycle, TimePoint arrival) {
    bodyArrived = true;
    cycleStart = arrival;
    clock_.cycle = cycle;
    seeOffset -= params_.bodySenseInterval;
    if (synchronous) {
        syncSee = false;
        return;
    }
    const int expected =
        static_cast<int>(params_.visualIntervalNormal * viewWidthFactor(self_.viewWidth));
    syncSee = seeOffset + expected < decisionDeadlineMs();
}

void CycleTimer::onSee(TimePoint arrival) {
    seeOffset = synchronous
                    ? 0
                    : static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                           arrival - cycleStart)
                                           .count());
    syncSee = false;
}

int CycleTimer::elapsedMs() {
    lastReading = std::chrono::steady_clock::now();
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(lastReading - cycleStart).count());
}

int CycleTimer::syncWidthFor(double offset) const {
    const double interval = params_.visualIntervalNormal;
    const double limit = decisionDeadlineMs();
    if (offset + 2.0 * interval < limit) {
        return 2;
    }
    if (offset + interval < limit) {
        return 1;
    }
    if (offset + 0.5 * interval < limit) {
        return 0;
    }
    return kNoViewWidth;
}

int CycleTimer::chooseSyncWidth() const {
    return syncWidthFor(seeOffset);
}

int CycleTimer::chooseSyncWidthAhead() const {
    return syncWidthFor(seeOffset - params_.bodySenseInterval);
}

int CycleTimer::chooseViewWidth(int currentWidth) const {
    const double offset = seeOffset;
    const double interval = params_.visualIntervalNormal;
    const double limit = params_.cycleLength + 5;
    if (offset + 2.0 * interval <= limit && currentWidth <= 2) {
        return kNoViewWidth;
    }
    if (offset + interval <= limit && currentWidth <= 1) {
        return 2;
    }
    if (offset + 0.5 * interval <= limit) {
        return currentWidth <= 0 ? 1 : currentWidth;
    }
    return currentWidth;
}

}  // namespace zamo
