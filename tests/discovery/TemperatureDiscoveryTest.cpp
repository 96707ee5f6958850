#include <gtest/gtest.h>

#include "DiscoveryFixture.h"
#include "sensor-service/discovery/TemperatureDiscovery.h"
#include "sensor-service/smc/Smc.h"

namespace vrl::testing {
namespace {

using platform::smc::kSmcCmdReadBytes;
using platform::smc::kSmcCmdReadIndex;
using platform::smc::kSmcCmdReadKeyInfo;

std::string titleOf(const SensorEntry* item) { return item ? item->title : "<absent>"; }

TEST_F(DiscoveryTest, PatternTitlesFollowTheKeysPlaceInItsRun) {
    discover("imac6_1.json");
    EXPECT_EQ(titleOf(entry("TC0D")), "CPU Core 1");
    EXPECT_EQ(titleOf(entry("TC2D")), "CPU Core 3");
    EXPECT_EQ(titleOf(entry("TA0P")), "Ambient");
    EXPECT_EQ(titleOf(entry("TCAD")), "CPU Package");
    EXPECT_EQ(titleOf(entry("TH0P")), "HDD Bay 1");
    EXPECT_EQ(titleOf(entry("TO0P")), "Optical Drive");
    EXPECT_FALSE(entry("TG0D")) << "listed but unreadable";
    EXPECT_FALSE(entry("TZ0C")) << "not in this model's list";
    EXPECT_EQ(countOfType("temperature"), 6u);
    EXPECT_EQ(entry("TC0D")->unit, "celcius");
    EXPECT_FALSE(entry("TC0D")->hasLimits);
}

TEST_F(DiscoveryTest, DefaultListNumbersInHexadecimalAndLaterRowsWin) {
    discover("default.json");
    EXPECT_EQ(titleOf(entry("TZ0C")), "Thermal Zone 1");
    EXPECT_EQ(titleOf(entry("TZ9C")), "Thermal Zone A");
    EXPECT_EQ(titleOf(entry("TZEC")), "Thermal Zone F");
    EXPECT_EQ(titleOf(entry("TA0p")), "Ambient");
    EXPECT_EQ(titleOf(entry("TA0P")), "Ambient");
    EXPECT_EQ(titleOf(entry("Th0H")), "Heatpipe 1");
    EXPECT_EQ(titleOf(entry("TG0M")), "GPU Memory");
    EXPECT_EQ(titleOf(entry("TG1M")), "GPU 2 Memory");
    EXPECT_EQ(titleOf(entry("TN0D")), "Northbridge Die");
    EXPECT_EQ(titleOf(entry("TC0D")), "CPU Core 1") << "any data type is accepted";
    EXPECT_FALSE(entry("TC0P")) << "key information fails";
    EXPECT_FALSE(entry("TC1D")) << "bytes fail";
    EXPECT_FALSE(entry("TX0P")) << "keys the profile does not name stay hidden";
    EXPECT_EQ(countOfType("temperature"), 10u);
}

TEST_F(DiscoveryTest, MacProAndIMac13_2RunsKeepTheirNumbering) {
    discover("macpro5_1.json");
    EXPECT_EQ(titleOf(entry("TCAD")), "CPU A Die");
    EXPECT_EQ(titleOf(entry("TCBD")), "CPU B Die");
    EXPECT_EQ(titleOf(entry("TCAH")), "CPU A Heatsink");
    EXPECT_EQ(titleOf(entry("TM1P")), "Memory Module 1 Proximity");
    EXPECT_EQ(titleOf(entry("TMA1")), "Memory Bank A, Slot 1");
}

TEST_F(DiscoveryTest, OverlappingRunsLeaveTheLaterRowsTitles) {
    discover("imac13_2.json");
    EXPECT_EQ(titleOf(entry("TM0p")), "Memory Module 1 Proximity");
    EXPECT_EQ(titleOf(entry("TM1p")), "Memory Module 2 Proximity");
    EXPECT_EQ(titleOf(entry("TM3p")), "Memory Module 4 Proximity");
    EXPECT_EQ(titleOf(entry("TM4p")), "Memory Module 4");
    EXPECT_EQ(titleOf(entry("TC0c")), "CPU Core 1");
    EXPECT_EQ(titleOf(entry("Tp2h")), "Power Supply Heatsink");
}

TEST_F(DiscoveryTest, PatternTitlesAreTranslatedAndNeverUsedAsFormats) {
    discover("imac6_1.json", {{"CPU Core %X", "Kern %X %s %n %d"}, {"HDD Bay 1", "Disque 1"}});
    EXPECT_EQ(titleOf(entry("TC0D")), "Kern 1 %s %n %d");
    EXPECT_EQ(titleOf(entry("TC2D")), "Kern 3 %s %n %d");
    EXPECT_EQ(titleOf(entry("TH0P")), "HDD Bay 1") << "plain rows are not translated";
}

TEST_F(DiscoveryTest, AnSmcWithoutKeysGetsNoEntries) {
    const VRLServerObject& server = discover("empty.json");
    EXPECT_TRUE(server.modelData().empty());
}

TEST_F(DiscoveryTest, OnlyListedCandidatesCostSmcCalls) {
    const VRLServerObject& server = discover("default.json");
    ASSERT_EQ(smc->smcOpen(), 0);
    driver->resetCounts();
    ModelData found;
    TemperatureDiscovery(*smc, listedKeys, machine().mainBundle(), found)
        .insertSmcSensorsWithKeys(server.TEST_platformProfile());
    // Fourteen tests of listed candidates (TG1M and Th0H twice), one of them
    // failing at the key information; every other candidate costs nothing.
    EXPECT_EQ(driver->callCount(kSmcCmdReadKeyInfo), 14u);
    EXPECT_EQ(driver->callCount(kSmcCmdReadBytes), 13u);
    EXPECT_EQ(driver->callCount(kSmcCmdReadIndex), 0u);
    EXPECT_EQ(driver->totalCalls(), 27u);

    driver->resetCounts();
    TemperatureDiscovery(*smc, {}, machine().mainBundle(), found).insertSmcSensorsWithKeys(server.TEST_platformProfile());
    EXPECT_EQ(driver->totalCalls(), 0u);
    smc->smcClose();
}

}  // namespace
}  // namespace vrl::testing
