#pragma once

#include "update-notifier/scheduler/UpdateClock.h"

namespace qm {

// The system's real-time clock, with the contract of UpdateClock; built once
// by the application's main function.
class SystemUpdateClock : public UpdateClock {
public:
    double secondsSince1970() const override;
};

}  // namespace qm
