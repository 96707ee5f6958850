#pragma once

#include "update-notifier/scheduler/UpdateClock.h"

namespace qm {

// The system's real-time clock.
class SystemUpdateClock : public UpdateClock {
public:
    double secondsSince1970() const override;
};

}  // namespace qm
