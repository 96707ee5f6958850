#include "update-notifier/feed/FeedText.h"

#include "platform/foundation/Utf8.h"

namespace qm {

std::optional<std::string> feedTextFromBody(std::string_view body) {
    const std::string_view text = body.substr(0, body.find('\0'));
    if (!platform::foundation::isValidUtf8(text)) return std::nullopt;
    return std::string(text);
}

}  // namespace qm
