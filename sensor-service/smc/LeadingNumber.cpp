#include "sensor-service/smc/LeadingNumber.h"

#include <charconv>
#include <cstdlib>
#include <system_error>

namespace vrl {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Text that starts with digits (after an optional minus) and no "0x": the
// decimal form both readers agree on. Fan speeds are read this way every few
// seconds, and from_chars rounds as strtod does at a fraction of the cost.
bool isPlainDecimal(const char* begin, const char* end) {
    const char* digits = begin != end && *begin == '-' ? begin + 1 : begin;
    if (digits == end || !isDigit(*digits)) return false;
    return !(digits[0] == '0' && digits + 1 != end && (digits[1] == 'x' || digits[1] == 'X'));
}

}  // namespace

double leadingNumber(const std::string& text) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (isPlainDecimal(begin, end)) {
        double value = 0;
        if (std::from_chars(begin, end, value).ec == std::errc()) return value;
    }
    // Blanks, signs, hexadecimal, infinities and values out of range.
    return std::strtod(text.c_str(), nullptr);
}

}  // namespace vrl
