// Expansion of key patterns into candidate keys and their titles.
#include "sensor-service/discovery/KeyPattern.h"

#include "platform/foundation/HexDigits.h"

namespace vrl {

namespace {

constexpr std::size_t kKeyLength = 4;

// A character that is no hexadecimal digit counts as 0, as a failed scan does.
unsigned scannedHexDigit(char c) { return platform::foundation::hexDigitValue(c).value_or(0); }

}  // namespace

bool KeyPattern::isPattern(std::string_view keyField) { return keyField.find(':') != std::string_view::npos; }

std::optional<KeyPattern> KeyPattern::parse(std::string_view keyField) {
    const std::size_t colon = keyField.find(':');
    if (colon == std::string_view::npos || keyField.size() < colon + 4) return std::nullopt;
    KeyPattern pattern;
    pattern.prefix_ = std::string(keyField.substr(0, colon));
    pattern.startIndex_ = scannedHexDigit(keyField[colon + 1]);
    pattern.keyCount_ = scannedHexDigit(keyField[colon + 2]);
    pattern.titleOffset_ = scannedHexDigit(keyField[colon + 3]);
    pattern.suffix_ = std::string(keyField.substr(colon + 4));
    const bool fixedPartsPlain = pattern.prefix_.find('%') == std::string::npos &&
                                 pattern.suffix_.find('%') == std::string::npos;
    const bool oneDigitKeys = pattern.prefix_.size() + pattern.suffix_.size() + 1 == kKeyLength &&
                              pattern.startIndex_ + pattern.keyCount_ <= 16;
    if (!fixedPartsPlain || !oneDigitKeys) return std::nullopt;
    return pattern;
}

std::string KeyPattern::keyAt(unsigned i) const {
    return prefix_ + platform::foundation::upperHexNumber(startIndex_ + i) + suffix_;
}

std::string KeyPattern::fillTitle(std::string_view title, unsigned number) {
    static constexpr std::string_view kPlaceholder = "%X";
    const std::string digits = platform::foundation::upperHexNumber(number);
    std::string filled;
    std::size_t from = 0;
    for (std::size_t at = title.find(kPlaceholder); at != std::string_view::npos;
         at = title.find(kPlaceholder, from)) {
        filled.append(title.substr(from, at - from)).append(digits);
        from = at + kPlaceholder.size();
    }
    filled.append(title.substr(from));
    return filled;
}

}  // namespace vrl
