#pragma once
// What the coordinator asks of the check scheduler. QMUpdateTimer is the real
// one; tests hand the coordinator a fake through its environment.
//
// Every call: the thread that runs the main io_context, which is also where
// the delegate, given to the scheduler's constructor and outliving it, is
// told.
#include "update-notifier/scheduler/QMUpdateTimerDelegate.h"

namespace qm {

class UpdateScheduler {
public:
    virtual ~UpdateScheduler() = default;

    // Starts the repeating timer; a second call does nothing. Cannot fail.
    virtual void startTimer() = 0;
};

}  // namespace qm
