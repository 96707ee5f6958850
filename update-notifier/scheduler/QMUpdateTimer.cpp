#include "update-notifier/scheduler/QMUpdateTimer.h"

namespace qm {

void QMUpdateTimer::startTimer() {
    if (updaterTimer) return;
    updaterTimer = timers_.scheduleRepeating(_interval, [this](double now) { timeToCheckForUpdate(now); });
}

void QMUpdateTimer::endTimer() { updaterTimer.reset(); }

void QMUpdateTimer::timeToCheckForUpdate(double now) {
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
    delegate_.timeToCheckForUpdate();
}

}  // namespace qm
