#pragma once

#include <memory>
#include <optional>

#include "update-notifier/scheduler/RepeatingTimerFacility.h"
#include "update-notifier/scheduler/UpdateClock.h"
#include "update-notifier/scheduler/UpdateScheduler.h"

namespace qm {

// Asks its delegate for a check on a repeating timer, but only once more than
// the interval less one second has passed since the last request. The first
// tick only records the time.
//
// Contract: that of UpdateScheduler; every call, and every tick, on the
// thread that runs the timers' io_context. Nothing here can fail.
// AsioRepeatingTimerFacility and SystemUpdateClock are the real collaborators.
class QMUpdateTimer final : public UpdateScheduler {
public:
    // Nothing starts yet. Requires: `clock`, `timers` and `delegate` outlive
    // the scheduler; a positive interval.
    QMUpdateTimer(UpdateClock& clock, RepeatingTimerFacility& timers, QMUpdateTimerDelegate& delegate,
                  double interval)
        : clock_(clock), timers_(timers), delegate_(delegate), _interval(interval) {}

    void startTimer() override;
    // Stops the timer if it runs; the last request's time is kept.
    void endTimer();
    // The tick handler.
    void timeToCheckForUpdate();
    void informDelegate();

    bool isRunning() const { return updaterTimer != nullptr; }

private:
    UpdateClock& clock_;
    RepeatingTimerFacility& timers_;
    QMUpdateTimerDelegate& delegate_;
    double _interval;
    std::unique_ptr<RepeatingTimer> updaterTimer;
    std::optional<double> lastDateChecked;
};

}  // namespace qm
