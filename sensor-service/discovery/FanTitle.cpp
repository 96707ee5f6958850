// Fan titles from "ch8*" and "fpe2" text and from "{fds" fan descriptors.
#include "sensor-service/discovery/FanTitle.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string_view>

#include "platform/foundation/HexDigits.h"
#include "platform/foundation/Utf8.h"

namespace vrl {

namespace {

constexpr std::size_t kValueCapacity = sizeof(SmcValue::bytes);
constexpr std::size_t kDescriptorNameOffset = 4;

// The SMC reports the size; never trust it beyond the bytes a value holds.
std::string_view valueBytes(const SmcValue& value) {
    const std::size_t size = std::min<std::size_t>(value.dataSize, kValueCapacity);
    return {reinterpret_cast<const char*>(value.bytes), size};
}

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool isAlphanumeric(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }

std::string orFallback(std::string title, unsigned index) {
    return title.empty() ? FanTitle::fallback(index) : title;
}

// All bytes, NUL padding included.
std::string textTitle(const SmcValue& value, unsigned index) {
    const std::string_view bytes = valueBytes(value);
    return platform::foundation::isValidUtf8(bytes) ? orFallback(std::string(bytes), index) : FanTitle::fallback(index);
}

std::optional<std::string> descriptorTitle(const SmcValue& value, unsigned index) {
    const std::string_view bytes = valueBytes(value);
    if (bytes.empty()) return std::nullopt;
    const auto kind = static_cast<unsigned char>(bytes[0]);
    if (kind == 6 || kind == 7) return std::nullopt;
    std::string_view name = bytes.size() > kDescriptorNameOffset ? bytes.substr(kDescriptorNameOffset) : "";
    name = name.substr(0, name.find('\0'));
    if (!isAscii(name)) return FanTitle::fallback(index);
    const auto first = std::find_if(name.begin(), name.end(), isAlphanumeric);
    const auto last = std::find_if(name.rbegin(), name.rend(), isAlphanumeric).base();
    return orFallback(first < last ? std::string(first, last) : std::string(), index);
}

}  // namespace

std::optional<std::string> FanTitle::fromIdentifier(const SmcValue& identifier, unsigned index) {
    const std::string_view type(identifier.dataType, strnlen(identifier.dataType, sizeof identifier.dataType));
    if (type == "ch8*") {
        std::string title = textTitle(identifier, index);
        if (title.starts_with("GPU ")) return std::nullopt;
        return title;
    }
    if (type == "{fds") return descriptorTitle(identifier, index);
    if (type == "fpe2") return textTitle(identifier, index);
    return std::nullopt;
}

std::string FanTitle::fallback(unsigned index) {
    return std::string("Fan ") + platform::foundation::upperHexDigit(index + 1);
}

}  // namespace vrl
