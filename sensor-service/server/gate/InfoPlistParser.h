#pragma once
// How the gate turns an Info.plist's bytes into its string entries: an
// interface so that tests can count the parses a check costs or hold a check
// inside one, as a file a peer never finishes serving would.
#include <optional>
#include <string_view>

#include "platform/foundation/PropertyList.h"

namespace vrl {

class InfoPlistParser {
public:
    virtual ~InfoPlistParser() = default;
    // Any thread: the gate's workers call it, several at once. None when the
    // bytes are no property list of string entries. Never throws.
    virtual std::optional<platform::foundation::StringDictionary> parse(std::string_view bytes) const = 0;
};

// The real one: XML or binary property lists, as the platform reads them.
class PropertyListParser final : public InfoPlistParser {
public:
    std::optional<platform::foundation::StringDictionary> parse(std::string_view bytes) const override {
        return platform::foundation::parseStringDictionary(bytes);
    }
};

}  // namespace vrl
