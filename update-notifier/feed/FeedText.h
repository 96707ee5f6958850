#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qm {

// The feed text of a downloaded body: the bytes before the first zero byte,
// absent when they are not valid UTF-8 (overlong forms and surrogates
// included). Any thread; failure is only the absent result.
std::optional<std::string> feedTextFromBody(std::string_view body);

}  // namespace qm
