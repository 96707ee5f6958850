// The server object's life on a simulated SMC: discovery reads every value
// once, the timer starts once, endTimer/startTimer restart it, and the timer
// keeps a fixed rate.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/smc/SimulatedSmc.h"
#include "sensor-service/server/polling/VRLServerObject.h"
#include "sensor-service/smc/Smc.h"

namespace vrl {
namespace {

using platform::smc::SimulatedSmc;
using platform::smc::SmcImage;
using Clock = std::chrono::steady_clock;

constexpr uint8_t kReadBytes = 5;

SmcImage macImage(bool unavailable = false) {
    const auto image = SmcImage::fromJson(
        R"({"model":"MacBookPro11,1","unavailable":)" + std::string(unavailable ? "true" : "false") +
            R"(,"keys":[{"key":"F0ID","type":"ch8*","bytes":"4c656674"},
            {"key":"F0Mn","type":"fpe2","bytes":"1770"},{"key":"F0Mx","type":"fpe2","bytes":"5dc0"},
            {"key":"F0Ac","type":"fpe2","bytes":"1f40"},{"key":"TC0P","type":"sp78","bytes":"2f80"}]})",
        "test");
    EXPECT_TRUE(image) << image.error().message;
    return *image;
}

// The server object on a simulated Mac, counting what reaches its sink.
struct Harness : ModelDataSink {
    explicit Harness(SmcImage image)
        : machine(SensorMachine::simulated(std::make_unique<SimulatedSmc>(std::move(image)))),
          driver(static_cast<SimulatedSmc&>(machine->smcDriver())) {}
    void modelDataRefreshed(const ModelData&) override {
        ++refreshes;
        lastRefreshEnd = Clock::now();
    }

    asio::io_context io;
    std::unique_ptr<SensorMachine> machine;
    SimulatedSmc& driver;
    Smc smc{driver};
    int refreshes = 0;
    Clock::time_point lastRefreshEnd;
};

TEST(VRLServerObject, CreationReadsEveryValueOnceAndStartsOneTimer) {
    Harness h(macImage());
    VRLServerObject server(h.io, h.smc, *h.machine, h);
    ASSERT_EQ(server.modelData().count("TC0P"), 1u);
    ASSERT_EQ(server.modelData().count("F0Ac"), 1u);
    EXPECT_EQ(server.modelData().at("TC0P").value, 47.5);
    EXPECT_EQ(server.modelData().at("F0Ac").value, 2000.0);
    EXPECT_TRUE(server.isTimerRunning());
    EXPECT_EQ(server.timerInterval(), 5.0f);
    EXPECT_EQ(h.refreshes, 1) << "the first refresh is published too";

    const uint64_t reads = h.driver.callCount(kReadBytes);
    server.startTimer();
    EXPECT_EQ(h.refreshes, 1) << "a running timer is not started again";
    EXPECT_EQ(h.driver.callCount(kReadBytes), reads);

    server.endTimer();
    EXPECT_FALSE(server.isTimerRunning());
    server.endTimer();
    server.startTimer();
    EXPECT_TRUE(server.isTimerRunning());
    EXPECT_EQ(h.refreshes, 2) << "a new timer refreshes at once";
}

TEST(VRLServerObject, RefreshReplacesValuesAndUnreadableKeysGetTheirSubstitutes) {
    Harness h(macImage());
    VRLServerObject server(h.io, h.smc, *h.machine, h);
    SmcImage changed = macImage();
    changed.keys.pop_back();                                           // TC0P gone
    changed.keys[3].fail = platform::smc::SmcKeyFailure::read;        // F0Ac unreadable
    h.driver.replaceImage(changed);
    server.updateModuleFromTimer();
    EXPECT_EQ(server.modelData().at("TC0P").value, -1.0);
    EXPECT_EQ(server.modelData().at("F0Ac").value, 0.0);
    EXPECT_EQ(server.modelData().size(), 2u) << "entries stay, only values change";

    changed = macImage();
    changed.keys[3].type = "flt ";
    changed.keys[3].bytes = {0x00, 0x00, 0xC0, 0x7F};  // NaN, shown as "nan"
    changed.keys[3].size = 4;
    h.driver.replaceImage(changed);
    server.updateModuleFromTimer();
    EXPECT_EQ(server.modelData().at("F0Ac").value, 0.0);

    h.driver.replaceImage(macImage());
    server.updateModuleFromTimer();
    EXPECT_EQ(server.modelData().at("TC0P").value, 47.5);
    EXPECT_EQ(server.modelData().at("F0Ac").value, 2000.0);
}

TEST(VRLServerObject, UnavailableSmcGivesEmptyModelDataAndARunningTimer) {
    Harness h(macImage(true));
    VRLServerObject server(h.io, h.smc, *h.machine, h);
    EXPECT_TRUE(server.modelData().empty());
    EXPECT_TRUE(server.isTimerRunning());
}

// Deadlines lie whole periods apart, however late a refresh ran; one that
// ran later than a whole period skips the deadlines already gone by instead
// of refreshing again at once. Only the scheduled deadlines are compared, so
// the machine's speed does not matter.
TEST(VRLServerObject, TimerKeepsAFixedRateAndSkipsMissedDeadlines) {
    Harness h(macImage());
    VRLServerObject server(h.io, h.smc, *h.machine, h);
    server.endTimer();
    server.setTimerInterval(1.0f / 64);  // exact in binary, so the period is too
    const Clock::duration period = std::chrono::microseconds(15625);
    server.startTimer();
    h.io.poll();  // the cancelled first timer's wait ends

    for (int late = 0; late < 3; ++late) {
        const Clock::time_point before = server.nextRefreshDeadline();
        std::this_thread::sleep_for(late * 2 * period);
        const int refreshes = h.refreshes;
        ASSERT_EQ(h.io.run_one(), 1u);
        ASSERT_EQ(h.refreshes, refreshes + 1);
        const Clock::duration step = server.nextRefreshDeadline() - before;
        EXPECT_EQ(step % period, Clock::duration::zero()) << "late by " << late * 2 << " periods";
        EXPECT_GT(server.nextRefreshDeadline(), h.lastRefreshEnd) << "a missed deadline is not made up for";
    }
}

}  // namespace
}  // namespace vrl
