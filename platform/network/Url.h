#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform::network {

// An absolute URL as libcurl understands it. Parsing never guesses a scheme,
// so "example.com/feed" is not a URL. Any thread; nothing throws; a text that
// is not a URL parses to none.
class Url {
public:
    static std::optional<Url> parse(std::string_view text);

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
