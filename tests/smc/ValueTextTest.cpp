#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "sensor-service/smc/ValueText.h"

namespace vrl::test {
namespace {

std::optional<std::string> textOf(const char* type, std::vector<uint8_t> data, uint32_t size) {
    uint8_t bytes[32] = {};
    std::copy(data.begin(), data.end(), bytes);
    char typeName[5] = {};
    std::strncpy(typeName, type, 4);
    std::optional<std::string> out;
    int result = stringRepresentationForBytes(bytes, size, typeName, out);
    EXPECT_EQ(result == 0, out.has_value()) << type;
    return out;
}

std::optional<std::string> textOf(const char* type, std::vector<uint8_t> data) {
    auto size = static_cast<uint32_t>(data.size());
    return textOf(type, std::move(data), size);
}

TEST(ValueText, IntegersAndFloats) {
    EXPECT_EQ(textOf("ui16", {0x01, 0x02}), "258");
    EXPECT_EQ(textOf("ui32", {0x00, 0x00, 0x04, 0xD2}), "1234");
    EXPECT_EQ(textOf("ui8 ", {0xFF}), "255");
    EXPECT_EQ(textOf("ui8 ", {0x01, 0x02}), "258");  // any size
    EXPECT_EQ(textOf("si8 ", {0xFF}), "-1");
    EXPECT_EQ(textOf("si16", {0xFF, 0xFF}), "65535");
    EXPECT_EQ(textOf("si32", {0x80, 0, 0, 5}), "80 00 00 05 ");
    EXPECT_EQ(textOf("flt ", {0x00, 0x00, 0xFA, 0x44}), "2000");
    EXPECT_EQ(textOf("flt ", {0x00, 0xFA}), "00 fa ");
}

TEST(ValueText, FixedPointTableWithItsFormats) {
    EXPECT_EQ(textOf("fpe2", {0x1F, 0x40}), "2000.00");
    EXPECT_EQ(textOf("sp78", {0x2F, 0x80}), "47.500");
    EXPECT_EQ(textOf("sp78", {0xFF, 0x00}), "-1.000");
    EXPECT_EQ(textOf("fp1f", {0x80, 0x00}), "1.00000");
    EXPECT_EQ(textOf("fp88", {0x01, 0x80}), "1.500");
    EXPECT_EQ(textOf("fp6a", {0x04, 0x00}), "1.0000");
    EXPECT_EQ(textOf("sp1e", {0xC0, 0x00}), "-1.00000");
    EXPECT_EQ(textOf("sp96", {0xFF, 0xC0}), "-1.00");
    EXPECT_EQ(textOf("spb4", {0x00, 0x18}), "1.50");
    EXPECT_EQ(textOf("spf0", {0xFF, 0xFF}), "65535");
    EXPECT_EQ(textOf("fpe2", {0x1F, 0x40, 0x00}), "1f 40 00 ");  // size must be 2
    EXPECT_EQ(textOf("fp2e", {0x1F, 0x40}), "1f 40 ");          // not in the table
}

TEST(ValueText, EveryFixedPointWordReadsAsPrintfWouldShowIt) {
    // printf of the scaled double is the reference for every word of every
    // type: rounding, ties, signs and "-0.000" included.
    struct Reference {
        const char* type;
        bool isSigned;
        double multiplier;
        const char* format;
    };
    const Reference references[] = {
        {"fp1f", false, 1.0 / 32768, "%.5f"}, {"fp4c", false, 1.0 / 4096, "%.5f"},
        {"fp5b", false, 1.0 / 2048, "%.5f"},  {"fp6a", false, 1.0 / 1024, "%.4f"},
        {"fp79", false, 1.0 / 512, "%.4f"},   {"fp88", false, 1.0 / 256, "%.3f"},
        {"fpa6", false, 1.0 / 64, "%.2f"},    {"fpc4", false, 1.0 / 16, "%.2f"},
        {"fpe2", false, 1.0 / 4, "%.2f"},     {"sp1e", true, 1.0 / 16384, "%.5f"},
        {"sp3c", true, 1.0 / 4096, "%.5f"},   {"sp4b", true, 1.0 / 2048, "%.4f"},
        {"sp5a", true, 1.0 / 1024, "%.4f"},   {"sp69", true, 1.0 / 512, "%.3f"},
        {"sp78", true, 1.0 / 256, "%.3f"},    {"sp87", true, 1.0 / 128, "%.3f"},
        {"sp96", true, 1.0 / 64, "%.2f"},     {"spb4", true, 1.0 / 16, "%.2f"},
        {"spf0", false, 1.0, "%.0f"},
    };
    for (const Reference& reference : references) {
        int mismatches = 0;
        for (uint32_t word = 0; word <= 0xFFFF && mismatches < 5; ++word) {
            const auto bits = static_cast<uint16_t>(word);
            const double raw = reference.isSigned ? static_cast<int16_t>(bits) : bits;
            char expected[64];
            std::snprintf(expected, sizeof expected, reference.format, raw * reference.multiplier);
            const auto text = textOf(reference.type, {static_cast<uint8_t>(word >> 8), static_cast<uint8_t>(word)});
            if (text != expected) {
                ++mismatches;
                ADD_FAILURE() << reference.type << " word " << word << ": " << text.value_or("(none)")
                              << " instead of " << expected;
            }
        }
    }
}

TEST(ValueText, PwmCharactersAndFlags) {
    EXPECT_EQ(textOf("{pwm", {0x80, 0x00}), "50.0%");
    EXPECT_EQ(textOf("ch8*", {0x61, 0x62, 0x63, 0x00}), "abc");
    EXPECT_EQ(textOf("flag", {0x01}), "TRUE");
    EXPECT_EQ(textOf("flag", {0x00}), "FALSE");
    EXPECT_EQ(textOf("flag", {0x01}, 0), std::nullopt);
    EXPECT_EQ(textOf("ui16", {0x01, 0x02}, 0), std::nullopt);
}

TEST(ValueText, HexadecimalFallbackUpTo31Bytes) {
    EXPECT_EQ(textOf("abcd", {0x0A, 0x0B, 0x0C}), "0a 0b 0c ");
    EXPECT_EQ(textOf("abcd", std::vector<uint8_t>(31, 0xAB))->size(), 93u);
    EXPECT_EQ(textOf("abcd", std::vector<uint8_t>(32, 0xAB)), std::nullopt);
}

TEST(ValueText, ReportedSizesAbove32NeverReadPastTheBytes) {
    std::vector<uint8_t> full(32, 'A');
    EXPECT_EQ(textOf("ch8*", full, 40), std::string(32, 'A'));
    EXPECT_EQ(textOf("ui32", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                              0x00, 0x00, 0x01, 0x00},
                     1000),
              "256");
    EXPECT_EQ(textOf("abcd", full, 40), std::nullopt);
}

TEST(ValueText, IntegerFoldKeepsOnlyTheLastFourBytesAboveSize4) {
    const uint8_t bytes[8] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};
    EXPECT_EQ(_strtoul(bytes, 0, 10), 0u);
    EXPECT_EQ(_strtoul(bytes, -3, 10), 0u);
    EXPECT_EQ(_strtoul(bytes, 2, 10), 0x1122u);
    EXPECT_EQ(_strtoul(bytes, 4, 10), 0x11223344u);
    EXPECT_EQ(_strtoul(bytes, 5, 10), 0x22334455u);
    EXPECT_EQ(_strtoul(bytes, 8, 10), 0x55667788u);
    const uint8_t high[2] = {0x01, 0x80};
    EXPECT_EQ(_strtoul(high, 2, 10), 0x180u);
    EXPECT_EQ(_strtoul(high, 2, 16), 0x100u + 0xFFFFFF80u);  // byte taken as signed
}

TEST(ValueText, WholeValueWrapperPassesItsFields) {
    SmcValue value{};
    value.dataSize = 2;
    std::strcpy(value.dataType, "fpe2");
    value.bytes[0] = 0x1F;
    value.bytes[1] = 0x40;
    std::optional<std::string> out;
    EXPECT_EQ(stringRepresentationOfVal(value, out), 0);
    EXPECT_EQ(out, "2000.00");
}

}  // namespace
}  // namespace vrl::test
