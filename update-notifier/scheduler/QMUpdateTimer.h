#pragma once

#include <memory>
#include <optional>

#include <asio/io_context.hpp>

#include "update-notifier/scheduler/QMUpdateTimerDelegate.h"
#include "update-notifier/scheduler/RepeatingTimerFacility.h"
#include "update-notifier/scheduler/UpdateClock.h"

namespace qm {

// Asks its delegate for a check on a repeating timer, but only once more than
// the interval less one second has passed since the last request. The first
// tick only records the time.
class QMUpdateTimer : public QMUpdateTimerDelegate {
public:
    QMUpdateTimer(asio::io_context& io, double interval);
    QMUpdateTimer(std::shared_ptr<UpdateClock> clock,
                  std::shared_ptr<RepeatingTimerFacility> timers, double interval);

    void startTimer();
    void endTimer();
    // The tick handler.
    void timeToCheckForUpdate() override;
    void informDelegate();

    void setDelegate(QMUpdateTimerDelegate* delegate) { delegate_ = delegate; }
    QMUpdateTimerDelegate* delegate() const { return delegate_; }
    bool isRunning() const { return updaterTimer != nullptr; }

private:
    std::shared_ptr<UpdateClock> clock_;
    std::shared_ptr<RepeatingTimerFacility> timers_;
    double _interval;
    std::unique_ptr<RepeatingTimer> updaterTimer;
    std::optional<double> lastDateChecked;
    QMUpdateTimerDelegate* delegate_ = nullptr;
};

}  // namespace qm
