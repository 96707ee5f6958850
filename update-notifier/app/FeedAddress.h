#pragma once
// Turns the "SUFeedURL" text into something a URL parser accepts: every byte
// that may not stand in a URL (spaces, controls, non-ASCII UTF-8 bytes, and a
// few delimiters such as '"', '<', '>', '\\', '^', '`', '{', '|', '}') becomes
// %XX. A '%' that already starts a %XX escape is kept, so escaping twice
// changes nothing; any other '%' is escaped. Any thread; cannot fail.
#include <optional>
#include <string>
#include <string_view>

#include "platform/network/Url.h"

namespace qm {

std::string percentEscapedFeedAddress(std::string_view address);

// The URL of the "SUFeedURL" text, escaped as above; fails with Url::parse's
// reason when the escaped text is no URL.
platform::Result<platform::network::Url> parseFeedUrl(std::string_view address);

// The feed URL the downloader is built with: absent without a text, and when
// the text is no URL, which is logged once here since no check can succeed.
// Any thread.
std::optional<platform::network::Url> feedUrlOf(const std::optional<std::string>& address);

}  // namespace qm
