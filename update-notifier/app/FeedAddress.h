#pragma once
// Turns the "SUFeedURL" text into something a URL parser accepts: every byte
// that may not stand in a URL (spaces, controls, non-ASCII UTF-8 bytes, and a
// few delimiters such as '"', '<', '>', '\\', '^', '`', '{', '|', '}') becomes
// %XX. A '%' that already starts a %XX escape is kept, so escaping twice
// changes nothing; any other '%' is escaped. Any thread; cannot fail.
#include <string>
#include <string_view>

namespace qm {

std::string percentEscapedFeedAddress(std::string_view address);

}  // namespace qm
