// Expansion of key patterns into candidate keys and their titles.
#include "sensor-service/discovery/KeyPattern.h"

namespace vrl {

namespace {

constexpr std::size_t kKeyLength = 4;

// A character that is no hexadecimal digit counts as 0, as a failed scan does.
unsigned hexDigitValue(char c) {
    if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
    return 0;
}

std::string upperHex(unsigned number) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    do {
        text.insert(text.begin(), kDigits[number % 16]);
        number /= 16;
    } while (number != 0);
    return text;
}

}  // namespace

bool KeyPattern::isPattern(std::string_view keyField) { return keyField.find(':') != std::string_view::npos; }

std::optional<KeyPattern> KeyPattern::parse(std::string_view keyField) {
    const std::size_t colon = keyField.find(':');
    if (colon == std::string_view::npos || keyField.size() < colon + 4) return std::nullopt;
    KeyPattern pattern;
    pattern.prefix_ = std::string(keyField.substr(0, colon));
    pattern.startIndex_ = hexDigitValue(keyField[colon + 1]);
    pattern.keyCount_ = hexDigitValue(keyField[colon + 2]);
    pattern.titleOffset_ = hexDigitValue(keyField[colon + 3]);
    pattern.suffix_ = std::string(keyField.substr(colon + 4));
    const bool fixedPartsPlain = pattern.prefix_.find('%') == std::string::npos &&
                                 pattern.suffix_.find('%') == std::string::npos;
    const bool oneDigitKeys = pattern.prefix_.size() + pattern.suffix_.size() + 1 == kKeyLength &&
                              pattern.startIndex_ + pattern.keyCount_ <= 16;
    if (!fixedPartsPlain || !oneDigitKeys) return std::nullopt;
    return pattern;
}

std::string KeyPattern::keyAt(unsigned i) const { return prefix_ + upperHex(startIndex_ + i) + suffix_; }

std::string KeyPattern::fillTitle(std::string_view title, unsigned number) {
    static constexpr std::string_view kPlaceholder = "%X";
    const std::string digits = upperHex(number);
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
