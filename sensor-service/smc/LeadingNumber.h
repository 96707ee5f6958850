#pragma once
// A display text read back as a number, the way a leading decimal number is
// read: leading white space skipped, an optional sign, digits with an
// optional fraction and exponent, parsing stopping at the first character
// that cannot continue the number.
#include <string>

namespace vrl {

// 0 for text that does not begin with a decimal number: empty text, words,
// and also "nan", "inf" and hexadecimal "0x..", which only a C library
// reader would take (a fan speed of "nan" is no speed). A number beyond the
// range of double gives plus or minus infinity. Pure; any thread.
double leadingNumber(const std::string& text);

}  // namespace vrl
