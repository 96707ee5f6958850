#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qm {

// The leading decimal integer of a version string: leading white space is
// skipped, an optional sign taken, then digits up to the first non-digit.
// No digits, or no string, gives 0. Digits beyond the signed 64-bit range
// saturate at its bounds, so an absurdly long version still counts as newest.
// Any thread; cannot fail.
std::int64_t integerValue(const std::optional<std::string>& text);
// The same for a text that is present.
std::int64_t leadingIntegerValue(std::string_view text);

}  // namespace qm
