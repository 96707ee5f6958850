#pragma once

#include <string>
#include <string_view>

#include "platform/foundation/Result.h"

namespace platform::network {

// An absolute URL as libcurl understands it. Parsing never guesses a scheme,
// so "example.com/feed" is not a URL. Any thread; nothing throws.
class Url {
public:
    // Fails naming the text and libcurl's reason it is no URL.
    static platform::Result<Url> parse(std::string_view text);

    const std::string& string() const { return text_; }
    // Empty when the URL has no host part (for instance "file:///tmp/feed").
    std::string host() const { return host_; }
    std::string scheme() const { return scheme_; }

private:
    Url(std::string text, std::string scheme, std::string host);

    std::string text_;
    std::string scheme_;
    std::string host_;
};

}  // namespace platform::network
