#include "update-notifier/feed/VersionValue.h"

#include <limits>
#include <string_view>

namespace qm {
namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::int64_t leadingIntegerValue(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && isSpace(text[at])) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
    constexpr std::uint64_t positiveLimit = std::numeric_limits<std::int64_t>::max();
    const std::uint64_t limit = negative ? positiveLimit + 1 : positiveLimit;
    std::uint64_t magnitude = 0;
    for (; at < text.size() && isDigit(text[at]); ++at) {
        const auto digit = static_cast<std::uint64_t>(text[at] - '0');
        magnitude = magnitude > (limit - digit) / 10 ? limit : magnitude * 10 + digit;
    }
    if (!negative) return static_cast<std::int64_t>(magnitude);
    return magnitude == limit ? std::numeric_limits<std::int64_t>::min() : -static_cast<std::int64_t>(magnitude);
}

std::int64_t integerValue(const std::optional<std::string>& text) { return text ? leadingIntegerValue(*text) : 0; }

}  // namespace qm
