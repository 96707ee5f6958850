#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "sensor-service/smc/LeadingNumber.h"
#include "sensor-service/smc/ValueText.h"

namespace vrl::test {
namespace {

TEST(LeadingNumber, ReadsDecimalTextAsStrtodDoes) {
    for (const char* text :
         {"2000.00", "0", "-0", "-0.000", "007", "1.", "1.5e3", "1e", "1e+", "1e-400", "1e400", "-1e400",
          "123456789012345678901234567890", "0.1", "+12", "  42", "\t-3.5", ".5", "-.5", "1f 40 ", "45.5%",
          "12abc", "2.2250738585072011e-308", "4.9e-324", "1.7976931348623157e308", "9007199254740993"}) {
        const double expected = std::strtod(text, nullptr);
        const double actual = leadingNumber(text);
        // Bit for bit: the sign of zero counts too.
        EXPECT_EQ(std::signbit(actual), std::signbit(expected)) << '"' << text << '"';
        EXPECT_EQ(actual, expected) << '"' << text << '"';
    }
}

// A C library reader would take these as NaN, infinity or hexadecimal; none
// begins with a decimal number.
TEST(LeadingNumber, TextThatIsNoDecimalNumberGivesZero) {
    for (const char* text : {"", "-", "+", ".", "-.", " ", "nan", "-nan", "NAN(123)", "inf", "-inf", "+Infinity",
                             " INF", "TRUE", "Left Fan"}) {
        EXPECT_EQ(leadingNumber(text), 0.0) << '"' << text << '"';
    }
    EXPECT_EQ(leadingNumber("0x1F"), 0.0) << "the decimal 0 before the x";
    EXPECT_EQ(leadingNumber("00x5"), 0.0);
}

// A four-byte "flt " fan speed that holds NaN or infinity prints as "nan" or
// "inf" and must not reach the model data as such.
TEST(LeadingNumber, FloatFanSpeedsThatAreNoNumberReadAsZero) {
    const uint8_t nan[32] = {0x00, 0x00, 0xC0, 0x7F};
    const uint8_t infinity[32] = {0x00, 0x00, 0x80, 0x7F};
    const uint8_t negativeInfinity[32] = {0x00, 0x00, 0x80, 0xFF};
    const uint8_t speed[32] = {0x00, 0x00, 0xFA, 0x44};
    for (const uint8_t* bytes : {nan, infinity, negativeInfinity}) {
        std::optional<std::string> text;
        ASSERT_EQ(stringRepresentationForBytes(bytes, 4, "flt ", text), 0);
        EXPECT_EQ(leadingNumber(*text), 0.0) << *text;
    }
    std::optional<std::string> text;
    ASSERT_EQ(stringRepresentationForBytes(speed, 4, "flt ", text), 0);
    EXPECT_EQ(leadingNumber(*text), 2000.0);
}

TEST(LeadingNumber, ReadsEveryFanSpeedTextAsStrtodDoes) {
    uint8_t bytes[32] = {};
    for (uint32_t word = 0; word <= 0xFFFF; ++word) {
        bytes[0] = static_cast<uint8_t>(word >> 8);
        bytes[1] = static_cast<uint8_t>(word);
        for (const char* type : {"fpe2", "sp78", "fp1f"}) {
            std::optional<std::string> text;
            ASSERT_EQ(stringRepresentationForBytes(bytes, 2, type, text), 0);
            ASSERT_EQ(leadingNumber(*text), std::strtod(text->c_str(), nullptr)) << *text;
        }
    }
}

}  // namespace
}  // namespace vrl::test
