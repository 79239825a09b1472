// Where in the cycle the sensor messages arrive, and the view widths that keep visual ones early.
#pragma once

#include <chrono>

namespace zamo {

struct Clock;
struct SelfState;
struct ServerParams;

// Returned by the view-width choices when no width fits.
inline constexpr int kNoViewWidth = 3;

// Timing of the current cycle: when its body sense was processed, and where in the cycle the
// visual messages arrive, so the decision can wait for this cycle's visual message when it comes
// early enough.
struct CycleTimer {
    CycleTimer(const ServerParams& params, const SelfState& self, Clock& clock)
        : params_(params), self_(self), clock_(clock) {}

    using TimePoint = std::chrono::steady_clock::time_point;

    TimePoint cycleStart{};
    TimePoint lastReading{};
    bool syncSee = false;      // a visual message is expected early enough to wait for it
    bool bodyArrived = false;  // a body sense was processed and the cycle not yet handed on
    int seeOffset = 0;         // ms from the cycle start to the last visual message
    // The server steps when every client is done, so the clock says nothing about the cycle:
    // a visual message counts as come at the start of the cycle it arrived in, and nothing is
    // waited for.
    bool synchronous = false;
    // Registered with protocol version 18 or later, the server sends the visual message right
    // after the body sense of every cycle whose turn it is: every cycle narrow, every second
    // normal, every third wide. Nothing about it is left to the clock.
    bool synchSee = false;

    // A body sense of the given cycle, which reached the host at arrival: the cycle starts then.
    void onBody(int cycle, TimePoint arrival = std::chrono::steady_clock::now());
    void onSee(TimePoint arrival = std::chrono::steady_clock::now());
    // Milliseconds since the cycle's body sense arrived.
    int elapsedMs();
    // When the decision stops waiting for this cycle's visual message.
    TimePoint decisionDeadline() const;

    // The widest width whose next visual message still comes before the decision deadline.
    int chooseSyncWidth() const;
    // The same, seen from before the next body sense.
    int chooseSyncWidthAhead() const;
    // The width that keeps the visual messages within the cycle, given the current width.
    int chooseViewWidth(int currentWidth) const;

    // Milliseconds into the cycle after which the decision stops waiting for a visual message.
    int decisionDeadlineMs() const;

    // With synchSee: whether the body sense of cycle, at width, is followed by a visual message
    // when the last one came in seeCycle.
    static bool synchSeeDue(int cycle, int width, int seeCycle);

  private:
    int syncWidthFor(double offset) const;

    const ServerParams& params_;
    const SelfState& self_;
    Clock& clock_;
};

// The visual interval's factor for a view width: 0.5 narrow, 1 normal, 2 wide, 0 otherwise.
double viewWidthFactor(int width);
// With the synchronous visual messages: the cycles between two of them at a view width (1
// narrow, 2 normal, 3 wide), 0 for an unknown width.
int synchSeeInterval(int width);

}  // namespace zamo
