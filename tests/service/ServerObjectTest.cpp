// The server object's life on a simulated SMC: discovery reads every value
// once, the timer starts once, and endTimer/startTimer restart it.
#include <gtest/gtest.h>

#include "platform/smc/SimulatedSmc.h"
#include "sensor-service/server/VRLServerObject.h"
#include "sensor-service/smc/Smc.h"

namespace vrl {
namespace {

using platform::smc::SimulatedSmc;
using platform::smc::SmcImage;

constexpr uint8_t kReadBytes = 5;

SmcImage macImage(bool unavailable = false) {
    std::string error;
    std::optional<SmcImage> image = SmcImage::fromJson(
        R"({"model":"MacBookPro11,1","unavailable":)" + std::string(unavailable ? "true" : "false") +
            R"(,"keys":[{"key":"F0ID","type":"ch8*","bytes":"4c656674"},
            {"key":"F0Mn","type":"fpe2","bytes":"1770"},{"key":"F0Mx","type":"fpe2","bytes":"5dc0"},
            {"key":"F0Ac","type":"fpe2","bytes":"1f40"},{"key":"TC0P","type":"sp78","bytes":"2f80"}]})",
        "test", error);
    EXPECT_TRUE(image) << error;
    return *image;
}

struct Harness {
    explicit Harness(SmcImage image) : smc(std::make_shared<SimulatedSmc>(std::move(image))) { smcUseDriver(smc); }
    asio::io_context io;
    std::shared_ptr<SimulatedSmc> smc;
    platform::registry::FixedPlatformName name{std::string("MacBookPro11,1")};
    platform::foundation::Bundle bundle = platform::foundation::Bundle::mainBundle();
    int refreshes = 0;
    VRLServerObject::Environment env{io, name, bundle, [this](const ModelData&) { ++refreshes; }};
};

TEST(VRLServerObject, CreationReadsEveryValueOnceAndStartsOneTimer) {
    Harness h(macImage());
    VRLServerObject server(h.env);
    ASSERT_EQ(server.modelData().count("TC0P"), 1u);
    ASSERT_EQ(server.modelData().count("F0Ac"), 1u);
    EXPECT_EQ(server.modelData().at("TC0P").value, 47.5);
    EXPECT_EQ(server.modelData().at("F0Ac").value, 2000.0);
    EXPECT_TRUE(server.isTimerRunning());
    EXPECT_EQ(server.timerInterval(), 5.0f);
    EXPECT_EQ(h.refreshes, 1);

    const uint64_t reads = h.smc->callCount(kReadBytes);
    server.startTimer();
    EXPECT_EQ(h.refreshes, 1) << "a running timer is not started again";
    EXPECT_EQ(h.smc->callCount(kReadBytes), reads);

    server.endTimer();
    EXPECT_FALSE(server.isTimerRunning());
    server.endTimer();
    server.startTimer();
    EXPECT_TRUE(server.isTimerRunning());
    EXPECT_EQ(h.refreshes, 2) << "a new timer refreshes at once";
}

TEST(VRLServerObject, RefreshReplacesValuesAndUnreadableKeysGetTheirSubstitutes) {
    Harness h(macImage());
    VRLServerObject server(h.env);
    SmcImage changed = macImage();
    changed.keys.pop_back();                                           // TC0P gone
    changed.keys[3].fail = platform::smc::SmcKeyFailure::read;        // F0Ac unreadable
    h.smc->replaceImage(changed);
    server.updateModuleFromTimer();
    EXPECT_EQ(server.modelData().at("TC0P").value, -1.0);
    EXPECT_EQ(server.modelData().at("F0Ac").value, 0.0);
    EXPECT_EQ(server.modelData().size(), 2u) << "entries stay, only values change";

    h.smc->replaceImage(macImage());
    server.updateModuleFromTimer();
    EXPECT_EQ(server.modelData().at("TC0P").value, 47.5);
    EXPECT_EQ(server.modelData().at("F0Ac").value, 2000.0);
}

TEST(VRLServerObject, UnavailableSmcGivesEmptyModelDataAndARunningTimer) {
    Harness h(macImage(true));
    VRLServerObject server(h.env);
    EXPECT_TRUE(server.modelData().empty());
    EXPECT_TRUE(server.isTimerRunning());
}

}  // namespace
}  // namespace vrl
