#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "sensor-service/smc/LeadingNumber.h"
#include "sensor-service/smc/ValueText.h"

namespace vrl::test {
namespace {

void expectReadAsStrtodReads(const std::string& text) {
    const double expected = std::strtod(text.c_str(), nullptr);
    const double actual = leadingNumber(text);
    if (std::isnan(expected)) {
        EXPECT_TRUE(std::isnan(actual)) << '"' << text << '"';
    } else {
        // Bit for bit: the sign of zero counts too.
        EXPECT_EQ(std::signbit(actual), std::signbit(expected)) << '"' << text << '"';
        EXPECT_EQ(actual, expected) << '"' << text << '"';
    }
}

TEST(LeadingNumber, ReadsEveryTextAsStrtodDoes) {
    for (const char* text :
         {"2000.00", "0", "-0", "-0.000", "007", "1.", "1.5e3", "1e", "1e+", "1e-400", "1e400", "-1e400",
          "123456789012345678901234567890", "0.1", "0x1F", "0X1f", "-0x10", "00x5", "+12", "  42", "\t-3.5",
          "", "-", ".5", "-.5", "inf", "-infinity", "nan", "TRUE", "Left Fan", "1f 40 ", "45.5%", "12abc",
          "2.2250738585072011e-308", "4.9e-324", "1.7976931348623157e308", "9007199254740993"}) {
        expectReadAsStrtodReads(text);
    }
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
