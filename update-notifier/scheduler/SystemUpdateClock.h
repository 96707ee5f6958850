#pragma once

#include "update-notifier/scheduler/UpdateClock.h"

namespace qm {

class SystemUpdateClock : public UpdateClock {
public:
    double secondsSince1970() const override;
};

}  // namespace qm
