#include "platform/foundation/HexDigits.h"

namespace platform::foundation {

std::optional<unsigned> hexDigitValue(char c, HexLetters letters) {
    if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
    if (letters == HexLetters::eitherCase && c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
    return std::nullopt;
}

char upperHexDigit(unsigned value) { return "0123456789ABCDEF"[value & 0x0Fu]; }

std::string upperHexNumber(unsigned number) {
    std::string text;
    do {
        text.insert(text.begin(), upperHexDigit(number));
        number /= 16;
    } while (number != 0);
    return text;
}

}  // namespace platform::foundation
