#include <gtest/gtest.h>

#include "sensor-service/discovery/KeyPattern.h"

namespace vrl {
namespace {

std::vector<std::string> keysOf(const KeyPattern& pattern) {
    std::vector<std::string> keys;
    for (unsigned i = 0; i < pattern.keyCount(); ++i) keys.push_back(pattern.keyAt(i));
    return keys;
}

TEST(KeyPattern, ExpandsRunsWithHexadecimalNumbers) {
    const auto cores = KeyPattern::parse("TC:041D");
    ASSERT_TRUE(cores);
    EXPECT_EQ(keysOf(*cores), (std::vector<std::string>{"TC0D", "TC1D", "TC2D", "TC3D"}));
    EXPECT_EQ(cores->titleNumberAt(2), 3u);

    const auto dies = KeyPattern::parse("TC:A2AD");
    ASSERT_TRUE(dies);
    EXPECT_EQ(keysOf(*dies), (std::vector<std::string>{"TCAD", "TCBD"}));
    EXPECT_EQ(KeyPattern::fillTitle("CPU %X Die", dies->titleNumberAt(1)), "CPU B Die");

    const auto noSuffix = KeyPattern::parse("TC0:C41");
    ASSERT_TRUE(noSuffix);
    EXPECT_EQ(keysOf(*noSuffix), (std::vector<std::string>{"TC0C", "TC0D", "TC0E", "TC0F"}));

    const auto zones = KeyPattern::parse("TZ:0F1C");
    ASSERT_TRUE(zones);
    EXPECT_EQ(zones->keyCount(), 15u);
    EXPECT_EQ(zones->keyAt(9), "TZ9C");
    EXPECT_EQ(zones->keyAt(14), "TZEC");
    EXPECT_EQ(zones->titleNumberAt(9), 10u);

    const auto lowerDigits = KeyPattern::parse("TC:a2aD");
    ASSERT_TRUE(lowerDigits);
    EXPECT_EQ(lowerDigits->keyAt(0), "TCAD");
}

TEST(KeyPattern, MalformedPatternsAreRefusedAndNonDigitsCountAsZero) {
    EXPECT_FALSE(KeyPattern::isPattern("TC0P"));
    EXPECT_FALSE(KeyPattern::parse("TC0P"));
    EXPECT_FALSE(KeyPattern::parse("TC:04"));     // too few digits
    EXPECT_FALSE(KeyPattern::parse("T%:041D"));   // a "%" in the prefix
    EXPECT_FALSE(KeyPattern::parse("TC:041%"));   // ... or the suffix
    EXPECT_FALSE(KeyPattern::parse("TC:F21D"));   // would reach a two-digit number
    EXPECT_FALSE(KeyPattern::parse("TCX:041D"));  // five-character keys
    const auto zero = KeyPattern::parse("TC:x41D");
    ASSERT_TRUE(zero);
    EXPECT_EQ(zero->keyAt(0), "TC0D");
    const auto empty = KeyPattern::parse("TC:0z1D");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->keyCount(), 0u);
}

TEST(KeyPattern, TitlesTakeOnlyTheNumberAndNoOtherDirective) {
    EXPECT_EQ(KeyPattern::fillTitle("Thermal Zone %X", 10), "Thermal Zone A");
    EXPECT_EQ(KeyPattern::fillTitle("GPU Memory", 3), "GPU Memory");
    EXPECT_EQ(KeyPattern::fillTitle("%s %n %d %X%%", 15), "%s %n %d F%%");
    EXPECT_EQ(KeyPattern::fillTitle("%X", 0), "0");
    EXPECT_EQ(KeyPattern::fillTitle("100%", 2), "100%");
}

}  // namespace
}  // namespace vrl
