#include <gtest/gtest.h>

#include <vector>

#include "sensor-service/smc/SmcHelper.h"

namespace vrl::test {
namespace {

NumberObject numberOf(const char* type, std::vector<uint8_t> bytes) {
    return SmcHelper::decodeNumericValueFromBuffer(bytes.data(), bytes.size(), type);
}

template <typename T>
void expectNumber(const NumberObject& n, T expected) {
    ASSERT_TRUE(std::holds_alternative<T>(n)) << "kind index " << n.index();
    EXPECT_EQ(std::get<T>(n), expected);
}

TEST(NumberPath, IntegersUnsignedAndSignAndMagnitude) {
    expectNumber<uint64_t>(numberOf("ui32", {0x00, 0x00, 0x04, 0xD2}), 1234);
    expectNumber<uint64_t>(numberOf("ui16", {0x01, 0x02}), 258);
    expectNumber<uint64_t>(numberOf("ui8 ", {0xFF}), 255);
    expectNumber<uint64_t>(numberOf("ui8", {0x07}), 7);
    expectNumber<int64_t>(numberOf("si16", {0x80, 0x05}), -5);
    expectNumber<int64_t>(numberOf("si16", {0xFF, 0xFF}), -32767);
    expectNumber<int64_t>(numberOf("si8 ", {0x81}), -1);
    expectNumber<int64_t>(numberOf("si32", {0x80, 0x00, 0x00, 0x05}), -5);
    expectNumber<uint64_t>(numberOf("si16", {0x00, 0x05}), 5);
    EXPECT_TRUE(isNil(numberOf("ui16", {0x01})));
    EXPECT_TRUE(isNil(numberOf("ui32", {0, 0})));
    EXPECT_TRUE(isNil(numberOf("ui64", {0, 0, 0, 0, 0, 0, 0, 0})));
    EXPECT_TRUE(isNil(numberOf("ux16", {0, 0})));
}

TEST(NumberPath, FixedPointReadUnsignedAsFloat) {
    expectNumber<float>(numberOf("fpe2", {0x1F, 0x40}), 2000.0f);
    expectNumber<float>(numberOf("sp78", {0xFF, 0x00}), 255.0f);
    expectNumber<float>(numberOf("sp78", {0x2F, 0x80}), 47.5f);
    expectNumber<float>(numberOf("spf0", {0xFF, 0xFF}), 65535.0f);
    expectNumber<float>(numberOf("fp2e", {0x40, 0x00}), 1.0f);  // any pair adding up to 16
    EXPECT_TRUE(isNil(numberOf("fp88", {0x01, 0x00, 0x00})));
    EXPECT_TRUE(isNil(numberOf("fpA8", {0x01, 0x00})));
    EXPECT_TRUE(isNil(numberOf("fp87", {0x01, 0x00})));
    EXPECT_TRUE(isNil(numberOf("sq78", {0x01, 0x00})));
}

TEST(NumberPath, OtherTypesAndMissingInputGiveNil) {
    for (const char* type : {"flt ", "{pwm", "ch8*", "flag", "ab", ""})
        EXPECT_TRUE(isNil(numberOf(type, {0, 0, 0, 0}))) << type;
    uint8_t byte = 1;
    EXPECT_TRUE(isNil(SmcHelper::decodeNumericValueFromBuffer(nullptr, 1, "ui8 ")));
    EXPECT_TRUE(isNil(SmcHelper::decodeNumericValueFromBuffer(&byte, 1, nullptr)));
}

TEST(NumberPath, HexDigitsAndTypeRecognition) {
    EXPECT_EQ(SmcHelper::getIndexFromHexChar('0'), 0);
    EXPECT_EQ(SmcHelper::getIndexFromHexChar('9'), 9);
    EXPECT_EQ(SmcHelper::getIndexFromHexChar('a'), 10);
    EXPECT_EQ(SmcHelper::getIndexFromHexChar('f'), 15);
    EXPECT_EQ(SmcHelper::getIndexFromHexChar('F'), -1);
    EXPECT_EQ(SmcHelper::getIndexFromHexChar('g'), -1);

    for (const char* yes : {"ui8 ", "si8 ", "ui16", "si32", "ui8"})
        EXPECT_TRUE(SmcHelper::isValidIntegerSmcType(std::string(yes))) << yes;
    for (const char* no : {"ui64", "ui1", "ui3", "fpe2", "u8", "xi8 "})
        EXPECT_FALSE(SmcHelper::isValidIntegerSmcType(std::string(no))) << no;
    EXPECT_FALSE(SmcHelper::isValidIntegerSmcType(std::nullopt));

    for (const char* yes : {"fpe2", "fp88", "sp78", "spf0", "sp1e"})
        EXPECT_TRUE(SmcHelper::isValidFloatingSmcType(std::string(yes))) << yes;
    for (const char* no : {"fp87", "fpE2", "sp88", "ui16", "fp"})
        EXPECT_FALSE(SmcHelper::isValidFloatingSmcType(std::string(no))) << no;
    EXPECT_FALSE(SmcHelper::isValidFloatingSmcType(std::nullopt));
}

}  // namespace
}  // namespace vrl::test
