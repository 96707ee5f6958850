#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "update-notifier/scheduler/QMUpdateTimer.h"

namespace {

using qm::QMUpdateTimer;

class ManualClock : public qm::UpdateClock {
public:
    double secondsSince1970() const override { return now; }
    double now = 1.7e9;
};

// Hands ticks out by hand and counts the timers it runs.
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

    std::unique_ptr<qm::RepeatingTimer> scheduleRepeating(double interval, std::function<void()> handler) override {
        period = interval;
        tick = std::move(handler);
        ++scheduled;
        return std::make_unique<Timer>(*this);
    }

    std::function<void()> tick;
    double period = 0;
    int scheduled = 0;
    int running = 0;
};

class CountingDelegate : public qm::QMUpdateTimerDelegate {
public:
    void timeToCheckForUpdate() override { ++requests; }
    int requests = 0;
};

class SchedulerTest : public ::testing::Test {
protected:
    void tickAt(double secondsAfterStart) {
        clock.now = start + secondsAfterStart;
        ASSERT_TRUE(timers.tick);
        timers.tick();
    }

    ManualClock clock;
    ManualTimers timers;
    CountingDelegate delegate;
    QMUpdateTimer scheduler{clock, timers, delegate, 43200};
    double start = clock.now;
};

TEST_F(SchedulerTest, FirstRequestComesOnTheSecondTickThenEveryTick) {
    scheduler.startTimer();
    EXPECT_EQ(timers.period, 43200);
    tickAt(43200);
    EXPECT_EQ(delegate.requests, 0);
    tickAt(2 * 43200);
    EXPECT_EQ(delegate.requests, 1);
    for (int hours12 = 3; hours12 <= 20; ++hours12) tickAt(hours12 * 43200.0);
    EXPECT_EQ(delegate.requests, 19);
}

TEST_F(SchedulerTest, OneSecondMarginOnBothSides) {
    scheduler.startTimer();
    tickAt(0);
    tickAt(43199.5);  // more than the interval less one second
    EXPECT_EQ(delegate.requests, 1);
    tickAt(43199.5 + 43199);  // exactly the interval less one second
    EXPECT_EQ(delegate.requests, 1);
    // The early tick did not move the last request, so the next one sees twice the interval.
    tickAt(43199.5 + 2 * 43200);
    EXPECT_EQ(delegate.requests, 2);
}

TEST_F(SchedulerTest, StartTwiceSchedulesOnceAndEndIsHarmlessWhenStopped) {
    scheduler.endTimer();
    EXPECT_FALSE(scheduler.isRunning());
    scheduler.startTimer();
    scheduler.startTimer();
    EXPECT_EQ(timers.scheduled, 1);
    EXPECT_EQ(timers.running, 1);
    scheduler.endTimer();
    EXPECT_EQ(timers.running, 0);
    scheduler.endTimer();
    EXPECT_EQ(timers.running, 0);
}

TEST_F(SchedulerTest, RecordingSurvivesARestart) {
    scheduler.startTimer();
    tickAt(43200);
    tickAt(2 * 43200);
    EXPECT_EQ(delegate.requests, 1);
    scheduler.endTimer();
    scheduler.startTimer();
    tickAt(2 * 43200 + 43000);
    EXPECT_EQ(delegate.requests, 1);
    tickAt(3 * 43200);
    EXPECT_EQ(delegate.requests, 2);
}

}  // namespace
