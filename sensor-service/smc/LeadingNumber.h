#pragma once
// A display text read back as a number, exactly as strtod reads it: leading
// blanks skipped, the longest prefix that is a number, 0 when there is none.
#include <string>

namespace vrl {

double leadingNumber(const std::string& text);

}  // namespace vrl
