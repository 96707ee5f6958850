#pragma once
// A key pattern of the profile table, such as "TC:041D": prefix "TC", then
// three hexadecimal digits (start index, key count, title offset), then the
// suffix. It stands for a run of numbered SMC keys, TC0D to TC3D here.
// A value type: immutable once parsed, so any thread; nothing throws but on
// allocation.
#include <optional>
#include <string>
#include <string_view>

namespace vrl {

class KeyPattern {
public:
    static bool isPattern(std::string_view keyField);
    // None for a field that is no pattern or would not yield four-character
    // keys (too few digits, a "%" in prefix or suffix, a run past digit F).
    static std::optional<KeyPattern> parse(std::string_view keyField);

    unsigned keyCount() const { return keyCount_; }
    std::string keyAt(unsigned i) const;
    unsigned titleNumberAt(unsigned i) const { return titleOffset_ + i; }

    // Puts number, in upper-case hexadecimal, in place of every "%X" of a
    // title. Nothing else in the text is interpreted: a translation is data,
    // never a format.
    static std::string fillTitle(std::string_view title, unsigned number);

private:
    std::string prefix_;
    std::string suffix_;
    unsigned startIndex_ = 0;
    unsigned keyCount_ = 0;
    unsigned titleOffset_ = 0;
};

}  // namespace vrl
