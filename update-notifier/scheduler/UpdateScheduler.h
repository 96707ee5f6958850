#pragma once
// What the coordinator asks of the check scheduler. QMUpdateTimer is the real
// one; tests hand the coordinator a fake through its constructor.
//
// Every call: the thread that runs the main io_context, which is also where
// the delegate is told.
#include "update-notifier/scheduler/QMUpdateTimerDelegate.h"

namespace qm {

class UpdateScheduler {
public:
    virtual ~UpdateScheduler() = default;

    // Requires: the delegate outlives the scheduler. Without one, requests
    // go nowhere.
    virtual void setDelegate(QMUpdateTimerDelegate* delegate) = 0;
    // Starts the repeating timer; a second call does nothing. Cannot fail.
    virtual void startTimer() = 0;
};

}  // namespace qm
