#include <gtest/gtest.h>

#include "tests/support/ManualTimers.h"
#include "update-notifier/scheduler/QMUpdateTimer.h"

namespace {

using qm::QMUpdateTimer;

class CountingDelegate : public qm::QMUpdateTimerDelegate {
public:
    void timeToCheckForUpdate() override { ++requests; }
    int requests = 0;
};

class SchedulerTest : public ::testing::Test {
protected:
    void tickAt(double secondsAfterStart) {
        ASSERT_TRUE(timers.tick);
        timers.tick(start + secondsAfterStart);
    }

    vrl::test::ManualTimers timers;
    CountingDelegate delegate;
    QMUpdateTimer scheduler{timers, delegate, 43200};
    double start = 1.7e9;
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
