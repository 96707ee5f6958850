#include "update-notifier/scheduler/QMUpdateTimer.h"

#include "update-notifier/scheduler/AsioRepeatingTimerFacility.h"
#include "update-notifier/scheduler/SystemUpdateClock.h"

namespace qm {

QMUpdateTimer::QMUpdateTimer(asio::io_context& io, double interval)
    : QMUpdateTimer(std::make_shared<SystemUpdateClock>(), std::make_shared<AsioRepeatingTimerFacility>(io),
                    interval) {}

QMUpdateTimer::QMUpdateTimer(std::shared_ptr<UpdateClock> clock, std::shared_ptr<RepeatingTimerFacility> timers,
                             double interval)
    : clock_(std::move(clock)), timers_(std::move(timers)), _interval(interval) {}

void QMUpdateTimer::startTimer() {
    if (updaterTimer) return;
    updaterTimer = timers_->scheduleRepeating(_interval, [this] { timeToCheckForUpdate(); });
}

void QMUpdateTimer::endTimer() { updaterTimer.reset(); }

void QMUpdateTimer::timeToCheckForUpdate() {
    const double now = clock_->secondsSince1970();
    if (!lastDateChecked) {
        lastDateChecked = now;
        return;
    }
    const auto elapsed = static_cast<float>(now - *lastDateChecked);
    if (elapsed > _interval - 1.0) {
        lastDateChecked = now;
        informDelegate();
    }
}

void QMUpdateTimer::informDelegate() {
    if (delegate_ != nullptr) delegate_->timeToCheckForUpdate();
}

}  // namespace qm
