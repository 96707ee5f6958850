#include <gtest/gtest.h>

#include "sensor-service/model/ModelData.h"

namespace vrl {
namespace {

TEST(ModelData, EntriesTakeUnitTypeAndLimitsFromTheirTypeCode) {
    ModelData data;
    data.addNewItemToModelDataForKey("F0Ac", "Exhaust", kSensorTypeFan, NumberObject{1000.0f},
                                     NumberObject{int64_t{-1}});
    data.addNewItemToModelDataForKey("TC0P", "CPU Proximity", kSensorTypeTemperature, NumberObject{1.0f},
                                     NumberObject{2.0f});
    data.addNewItemToModelDataForKey("XXXX", "Other", 3, {}, {});

    const SensorEntry& fan = data.at("F0Ac");
    EXPECT_EQ(fan.unit, "rpm");
    EXPECT_EQ(fan.type, "fans");
    EXPECT_TRUE(fan.hasLimits);
    EXPECT_EQ(fan.minvalue, NumberObject{1000.0f});
    EXPECT_EQ(fan.maxvalue, NumberObject{int64_t{-1}});
    EXPECT_EQ(fan.value, 0.0);

    const SensorEntry& temperature = data.at("TC0P");
    EXPECT_EQ(temperature.unit, "celcius");
    EXPECT_EQ(temperature.type, "temperature");
    EXPECT_FALSE(temperature.hasLimits);
    EXPECT_TRUE(isNil(temperature.minvalue));

    const SensorEntry& other = data.at("XXXX");
    EXPECT_EQ(other.unit, "");
    EXPECT_EQ(other.type, "");
    EXPECT_FALSE(other.hasLimits);
    EXPECT_EQ(other.title, "Other");
}

TEST(ModelData, ALaterEntryReplacesTheEarlierOneUnderItsKey) {
    ModelData data;
    data.addNewItemToModelDataForKey("F0Ac", "Exhaust", kSensorTypeFan, NumberObject{1.0f}, NumberObject{2.0f});
    data.addNewItemToModelDataForKey("F0Ac", "Heatpipe", kSensorTypeTemperature, {}, {});
    ASSERT_EQ(data.size(), 1u);
    EXPECT_EQ(data.at("F0Ac").title, "Heatpipe");
    EXPECT_FALSE(data.at("F0Ac").hasLimits);
}

TEST(ModelData, TitlesNamingASideBecomeThatSide) {
    EXPECT_EQ(ModelData::clearTitle("LEFT SIDE"), "Left Side");
    EXPECT_EQ(ModelData::clearTitle("Left side fan"), "Left Side");
    EXPECT_EQ(ModelData::clearTitle("right side"), "Right Side");
    EXPECT_EQ(ModelData::clearTitle("left side and Right Side"), "Right Side");
    EXPECT_EQ(ModelData::clearTitle("Main"), "Main");
    EXPECT_EQ(ModelData::clearTitle("LeftSide"), "LeftSide");
}

}  // namespace
}  // namespace vrl
