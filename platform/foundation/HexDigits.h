#pragma once
// Hexadecimal digits, one character at a time, for every parser and printer
// of the project that reads or writes them.
#include <optional>
#include <string>

namespace platform::foundation {

enum class HexLetters { eitherCase, lowerCaseOnly };

// The value 0 to 15 of c as a hexadecimal digit; nullopt for any other
// character, and for 'A' to 'F' when only lower-case letters count.
// Pure; any thread.
std::optional<unsigned> hexDigitValue(char c, HexLetters letters = HexLetters::eitherCase);

// The upper-case digit of the low four bits of value. Pure; any thread.
char upperHexDigit(unsigned value);

// number in upper-case hexadecimal without leading zeros ("0" for 0).
// Pure; any thread.
std::string upperHexNumber(unsigned number);

}  // namespace platform::foundation
