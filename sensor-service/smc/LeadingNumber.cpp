#include "sensor-service/smc/LeadingNumber.h"

#include <charconv>
#include <cstdlib>
#include <system_error>

namespace vrl {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

double leadingNumber(const std::string& text) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    while (begin != end && isBlank(*begin)) ++begin;
    const bool negative = begin != end && *begin == '-';
    if (begin != end && (*begin == '-' || *begin == '+')) ++begin;
    // from_chars in general format reads exactly the decimal forms and
    // nothing else once a digit or a point begins them; "inf", "nan" and a
    // sign of its own are kept away from it.
    const bool startsNumber =
        begin != end && (isDigit(*begin) || (*begin == '.' && begin + 1 != end && isDigit(begin[1])));
    if (!startsNumber) return 0.0;
    double value = 0.0;
    const std::from_chars_result result = std::from_chars(begin, end, value, std::chars_format::general);
    // Out of range: the digits are plain decimal, so the C reader rounds them
    // to infinity or towards zero as a reader of decimal numbers must.
    if (result.ec == std::errc::result_out_of_range) {
        value = std::strtod(std::string(begin, result.ptr).c_str(), nullptr);
    }
    return negative ? -value : value;
}

}  // namespace vrl
