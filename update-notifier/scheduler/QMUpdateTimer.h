#pragma once

#include <memory>
#include <optional>

#include "update-notifier/scheduler/QMUpdateTimerDelegate.h"
#include "update-notifier/scheduler/RepeatingTimerFacility.h"

namespace qm {

// Asks its delegate for a check on a repeating timer, but only once more than
// the interval less one second has passed since the last request. The first
// tick only records the time.
//
// Contract: every call, every tick and every delegate message on the thread
// that runs the timers' io_context. Nothing here can fail.
// AsioRepeatingTimerFacility is the real facility.
class QMUpdateTimer final {
public:
    // Nothing starts yet. Requires: `timers` and `delegate` outlive the
    // scheduler; a positive interval.
    QMUpdateTimer(RepeatingTimerFacility& timers, QMUpdateTimerDelegate& delegate, double interval)
        : timers_(timers), delegate_(delegate), _interval(interval) {}

    // Starts the repeating timer; a second call does nothing.
    void startTimer();
    // Stops the timer if it runs; the last request's time is kept.
    void endTimer();
    // The tick handler, given the tick's time in seconds since 1970.
    void timeToCheckForUpdate(double now);
    void informDelegate();

    bool isRunning() const { return updaterTimer != nullptr; }

private:
    RepeatingTimerFacility& timers_;
    QMUpdateTimerDelegate& delegate_;
    double _interval;
    std::unique_ptr<RepeatingTimer> updaterTimer;
    std::optional<double> lastDateChecked;
};

}  // namespace qm
