#include <gtest/gtest.h>

#include "DiscoveryFixture.h"
#include "sensor-service/discovery/FanDiscovery.h"

namespace vrl::testing {
namespace {

using namespace std::string_literals;

NumberObject f(float v) { return v; }
NumberObject i(int64_t v) { return v; }

TEST_F(DiscoveryTest, GeneralPassTitlesTextIdentifiersAndLeavesOutGpuAndUnreadableFans) {
    discover("imac6_1.json");
    EXPECT_EQ(countOfType("fans"), 4u);

    const SensorEntry* exhaust = entry("F0Ac");
    ASSERT_TRUE(exhaust);
    EXPECT_EQ(exhaust->title, "Exhaust"s + std::string(9, '\0'));  // padding kept, not cut
    EXPECT_EQ(exhaust->minvalue, f(1000.0f));
    EXPECT_EQ(exhaust->maxvalue, f(3800.0f));

    EXPECT_FALSE(entry("F1Ac")) << "a graphics fan; the second pass must not run after a fan was found";
    ASSERT_TRUE(entry("F2Ac"));
    EXPECT_EQ(entry("F2Ac")->title, "gpu 1");
    EXPECT_EQ(entry("F2Ac")->minvalue, i(-1)) << "unlisted minimum";
    EXPECT_EQ(entry("F2Ac")->maxvalue, i(-1)) << "unreadable maximum";
    ASSERT_TRUE(entry("F3Ac"));
    EXPECT_EQ(entry("F3Ac")->title, "GPU1");
    EXPECT_FALSE(entry("F4Ac")) << "identifier listed but unreadable";
    EXPECT_FALSE(entry("F5Ac")) << "speed key unreadable";
    EXPECT_FALSE(entry("FFAc")) << "index 15 is never tried";
    ASSERT_TRUE(entry("F6Ac"));
    EXPECT_EQ(entry("F6Ac")->title, "Intake"s + std::string(26, '\0')) << "a reported size of 40 reads 32 bytes";
}

TEST_F(DiscoveryTest, GeneralPassReadsFanDescriptorsAndFallsBackToNumberedTitles) {
    discover("default.json");
    EXPECT_EQ(countOfType("fans"), 3u);
    ASSERT_TRUE(entry("F0Ac"));
    EXPECT_EQ(entry("F0Ac")->title, "Main");
    EXPECT_EQ(entry("F0Ac")->minvalue, f(1200.0f));
    EXPECT_EQ(entry("F0Ac")->maxvalue, i(-1));
    EXPECT_FALSE(entry("F1Ac")) << "kind code 6";
    EXPECT_FALSE(entry("F2Ac")) << "kind code 7";
    ASSERT_TRUE(entry("F3Ac"));
    EXPECT_EQ(entry("F3Ac")->title, "Fan 4") << "a name of punctuation only";
    ASSERT_TRUE(entry("F9Ac"));
    EXPECT_EQ(entry("F9Ac")->title, "Fan A") << "bytes that are not UTF-8";
    EXPECT_FALSE(entry("F4Ac")) << "an identifier of another type";
}

TEST_F(DiscoveryTest, SecondPassRunsWhenOnlyGraphicsFansAreListed) {
    discover("macpro5_1.json");
    EXPECT_EQ(countOfType("fans"), 3u);
    ASSERT_TRUE(entry("F0Ac") && entry("F1Ac") && entry("F2Ac"));
    EXPECT_EQ(entry("F0Ac")->title, "Left Side");
    EXPECT_EQ(entry("F1Ac")->title, "Right Side");
    EXPECT_EQ(entry("F2Ac")->title, "F2ID");
    EXPECT_EQ(entry("F0Ac")->minvalue, i(800));
    EXPECT_EQ(entry("F0Ac")->maxvalue, i(3000));
    EXPECT_EQ(entry("F1Ac")->minvalue, i(700)) << "decimals are dropped";
    EXPECT_EQ(entry("F2Ac")->maxvalue, i(0)) << "no maximum key";
    EXPECT_FALSE(entry("FFAc"));
}

TEST(FanDiscovery, SideNamesFollowTheIdentifierKeyName) {
    EXPECT_EQ(FanDiscovery::decodeFanID("F0ID"), "Left Side");
    EXPECT_EQ(FanDiscovery::decodeFanID("F1ID"), "Right Side");
    EXPECT_EQ(FanDiscovery::decodeFanID("F10X"), "Left Side");
    EXPECT_EQ(FanDiscovery::decodeFanID("F2ID"), "F2ID");
}

}  // namespace
}  // namespace vrl::testing
