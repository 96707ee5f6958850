#include <gtest/gtest.h>

#include "DiscoveryFixture.h"

namespace vrl::testing {
namespace {

TEST_F(DiscoveryTest, EntriesTakeUnitTypeAndLimitsFromTheirTypeCode) {
    VRLServerObject& server = discover("empty.json");
    server.addNewItemToModelDataForKey("F0Ac", "Exhaust", kSensorTypeFan, NumberObject{1000.0f},
                                       NumberObject{int64_t{-1}});
    server.addNewItemToModelDataForKey("TC0P", "CPU Proximity", kSensorTypeTemperature, NumberObject{1.0f},
                                       NumberObject{2.0f});
    server.addNewItemToModelDataForKey("XXXX", "Other", 3, {}, {});

    const SensorEntry* fan = entry("F0Ac");
    ASSERT_TRUE(fan);
    EXPECT_EQ(fan->unit, "rpm");
    EXPECT_EQ(fan->type, "fans");
    EXPECT_TRUE(fan->hasLimits);
    EXPECT_EQ(fan->minvalue, NumberObject{1000.0f});
    EXPECT_EQ(fan->maxvalue, NumberObject{int64_t{-1}});
    EXPECT_EQ(fan->value, 0.0);

    const SensorEntry* temperature = entry("TC0P");
    ASSERT_TRUE(temperature);
    EXPECT_EQ(temperature->unit, "celcius");
    EXPECT_EQ(temperature->type, "temperature");
    EXPECT_FALSE(temperature->hasLimits);
    EXPECT_TRUE(isNil(temperature->minvalue));

    const SensorEntry* other = entry("XXXX");
    ASSERT_TRUE(other);
    EXPECT_EQ(other->unit, "");
    EXPECT_EQ(other->type, "");
    EXPECT_FALSE(other->hasLimits);
    EXPECT_EQ(other->title, "Other");
}

TEST_F(DiscoveryTest, ALaterEntryReplacesTheEarlierOneUnderItsKey) {
    VRLServerObject& server = discover("empty.json");
    server.addNewItemToModelDataForKey("F0Ac", "Exhaust", kSensorTypeFan, NumberObject{1.0f}, NumberObject{2.0f});
    server.addNewItemToModelDataForKey("F0Ac", "Heatpipe", kSensorTypeTemperature, {}, {});
    ASSERT_EQ(server.modelData().size(), 1u);
    EXPECT_EQ(entry("F0Ac")->title, "Heatpipe");
    EXPECT_FALSE(entry("F0Ac")->hasLimits);
}

TEST_F(DiscoveryTest, TitlesNamingASideBecomeThatSide) {
    const VRLServerObject& server = discover("empty.json");
    EXPECT_EQ(server.clearTitle("LEFT SIDE"), "Left Side");
    EXPECT_EQ(server.clearTitle("Left side fan"), "Left Side");
    EXPECT_EQ(server.clearTitle("right side"), "Right Side");
    EXPECT_EQ(server.clearTitle("left side and Right Side"), "Right Side");
    EXPECT_EQ(server.clearTitle("Main"), "Main");
    EXPECT_EQ(server.clearTitle("LeftSide"), "LeftSide");
}

}  // namespace
}  // namespace vrl::testing
