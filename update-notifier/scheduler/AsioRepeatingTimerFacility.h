#pragma once

// A standard header first, so asio sees the same library configuration (its
// aligned allocator) in every translation unit.
#include <memory>

#include <asio/io_context.hpp>

#include "update-notifier/scheduler/RepeatingTimerFacility.h"

namespace qm {

// Steady-clock timers on the main io_context, built once by the application's
// main function. Requires: `io` outlives the facility and its timers;
// scheduling and destroying happen on the thread that runs it, where the
// ticks come too.
class AsioRepeatingTimerFacility : public RepeatingTimerFacility {
public:
    explicit AsioRepeatingTimerFacility(asio::io_context& io) : io_(io) {}
    std::unique_ptr<RepeatingTimer> scheduleRepeating(double intervalSeconds,
                                                      std::function<void(double secondsSince1970)> tick) override;

private:
    asio::io_context& io_;
};

}  // namespace qm
