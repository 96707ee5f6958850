#pragma once
// The one UTF-8 check of the project: text from an SMC, a feed or a strings
// table is taken as text only when it passes.
#include <string_view>

namespace platform::foundation {

// True when text is well-formed UTF-8: shortest-form sequences of scalar
// values only (no surrogates, nothing above U+10FFFF, no truncated sequence).
// The empty text and NUL bytes are valid. Pure; any thread.
bool isValidUtf8(std::string_view text);

}  // namespace platform::foundation
