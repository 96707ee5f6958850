#include "update-notifier/app/FeedAddress.h"

#include <cctype>
#include <string_view>

#include "platform/foundation/HexDigits.h"
#include "platform/log/SystemLog.h"

namespace qm {
namespace {

// Everything RFC 3986 allows in a URL, reserved delimiters included, since the
// address is a whole URL and not one component of it.
constexpr std::string_view kAllowedPunctuation = "-._~:/?#[]@!$&'()*+,;=";

bool isAllowed(unsigned char c) {
    return c < 0x80 && (std::isalnum(c) || kAllowedPunctuation.find(static_cast<char>(c)) != std::string_view::npos);
}

bool startsEscape(std::string_view text, std::size_t at) {
    return at + 2 < text.size() && text[at] == '%' && platform::foundation::hexDigitValue(text[at + 1]) &&
           platform::foundation::hexDigitValue(text[at + 2]);
}

}  // namespace

std::string percentEscapedFeedAddress(std::string_view address) {
    std::string escaped;
    escaped.reserve(address.size());
    for (std::size_t i = 0; i < address.size(); ++i) {
        const auto c = static_cast<unsigned char>(address[i]);
        if (isAllowed(c) || startsEscape(address, i)) {
            escaped += static_cast<char>(c);
        } else {
            escaped += '%';
            escaped += platform::foundation::upperHexDigit(c >> 4);
            escaped += platform::foundation::upperHexDigit(c);
        }
    }
    return escaped;
}

platform::Result<platform::network::Url> parseFeedUrl(std::string_view address) {
    return platform::network::Url::parse(percentEscapedFeedAddress(address));
}

std::optional<platform::network::Url> feedUrlOf(const std::optional<std::string>& address) {
    if (!address) return std::nullopt;
    auto url = parseFeedUrl(*address);
    if (!url) {
        platform::log::debugLog("\"SUFeedURL\": " + url.error().message + ": no check can succeed");
        return std::nullopt;
    }
    return std::move(*url);
}

}  // namespace qm
