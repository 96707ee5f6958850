#pragma once
// A timer facility whose ticks a test hands out by hand, at the times it
// chooses; it counts the timers it runs.
#include <functional>
#include <memory>

#include "update-notifier/scheduler/RepeatingTimerFacility.h"

namespace vrl::test {

class ManualTimers : public qm::RepeatingTimerFacility {
public:
    class Timer : public qm::RepeatingTimer {
    public:
        explicit Timer(ManualTimers& owner) : owner_(owner) { ++owner_.running; }
        ~Timer() override {
            --owner_.running;
            owner_.tick = nullptr;
        }

    private:
        ManualTimers& owner_;
    };

    std::unique_ptr<qm::RepeatingTimer> scheduleRepeating(double interval,
                                                          std::function<void(double)> handler) override {
        period = interval;
        tick = std::move(handler);
        ++scheduled;
        return std::make_unique<Timer>(*this);
    }

    std::function<void(double secondsSince1970)> tick;  // null while no timer runs
    double period = 0;
    int scheduled = 0;
    int running = 0;
};

}  // namespace vrl::test
