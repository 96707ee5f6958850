#pragma once

#include <functional>
#include <memory>

namespace qm {

// A repeating timer; destroying it stops the ticks.
class RepeatingTimer {
public:
    virtual ~RepeatingTimer() = default;
};

// Schedules ticks on the main thread, one period apart, the first one a full
// period after scheduling. Each tick is handed the wall-clock time it ran at,
// in seconds since 1970: the only place the notifier reads the clock.
// Requires: called on the main thread with a positive interval; cannot fail.
class RepeatingTimerFacility {
public:
    virtual ~RepeatingTimerFacility() = default;
    virtual std::unique_ptr<RepeatingTimer> scheduleRepeating(double intervalSeconds,
                                                              std::function<void(double secondsSince1970)> tick) = 0;
};

}  // namespace qm
