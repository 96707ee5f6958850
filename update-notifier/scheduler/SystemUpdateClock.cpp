#include "update-notifier/scheduler/SystemUpdateClock.h"

#include <chrono>

namespace qm {

double SystemUpdateClock::secondsSince1970() const {
    const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration<double>(sinceEpoch).count();
}

}  // namespace qm
