#include "platform/smc/SmcImage.h"

#include <algorithm>
#include <array>
#include <map>

#include <nlohmann/json.hpp>

#include "platform/foundation/HexDigits.h"
#include "platform/foundation/SmallFile.h"

namespace platform::smc {
namespace {

using nlohmann::json;

constexpr size_t kMaxDataBytes = 32;

// The fields the format has; anything else is most likely a misspelling whose
// intended value would otherwise be silently dropped.
constexpr std::array<std::string_view, 3> kImageFields = {"model", "unavailable", "keys"};
constexpr std::array<std::string_view, 6> kEntryFields = {"key", "type", "bytes", "size", "attributes", "fail"};

template <std::size_t N>
std::optional<std::string> unknownField(const json& object, const std::array<std::string_view, N>& known) {
    for (const auto& [name, value] : object.items())
        if (std::find(known.begin(), known.end(), name) == known.end()) return name;
    return std::nullopt;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Each helper fails with the fault alone; fromJson names the source and entry.
platform::Result<std::vector<uint8_t>> parseHex(const std::string& text) {
    std::vector<uint8_t> bytes;
    int high = -1;  // the first digit of a byte, until its second comes
    for (char c : text) {
        if (isBlank(c)) continue;
        const std::optional<unsigned> digit = platform::foundation::hexDigitValue(c);
        if (!digit) return platform::fail("\"bytes\" holds a character that is not hexadecimal");
        if (high < 0) {
            high = static_cast<int>(*digit);
            continue;
        }
        bytes.push_back(static_cast<uint8_t>(high * 16 + static_cast<int>(*digit)));
        high = -1;
    }
    if (high >= 0) return platform::fail("\"bytes\" has an odd number of hexadecimal digits");
    if (bytes.size() > kMaxDataBytes) return platform::fail("\"bytes\" holds more than 32 bytes");
    return bytes;
}

platform::Result<std::string> readFourCharField(const json& entry, const char* field) {
    auto it = entry.find(field);
    if (it == entry.end() || !it->is_string() || it->get<std::string>().size() != 4)
        return platform::fail(std::string("\"") + field + "\" must be a string of exactly 4 characters");
    return it->get<std::string>();
}

// `otherwise` when the field is absent.
platform::Result<uint64_t> readOptionalUnsigned(const json& entry, const char* field, uint64_t max,
                                                uint64_t otherwise) {
    auto it = entry.find(field);
    if (it == entry.end()) return otherwise;
    if (!it->is_number_unsigned() || it->get<uint64_t>() > max)
        return platform::fail(std::string("\"") + field + "\" must be an unsigned integer up to " +
                              std::to_string(max));
    return it->get<uint64_t>();
}

platform::Result<SmcKeyFailure> readFailure(const json& entry) {
    auto it = entry.find("fail");
    if (it == entry.end()) return SmcKeyFailure::none;
    if (it->is_string() && *it == "info") return SmcKeyFailure::info;
    if (it->is_string() && *it == "read") return SmcKeyFailure::read;
    return platform::fail("\"fail\" must be \"info\" or \"read\"");
}

platform::Result<std::string> readHexText(const json& entry) {
    auto bytesField = entry.find("bytes");
    if (bytesField == entry.end()) return std::string();
    if (!bytesField->is_string()) return platform::fail("\"bytes\" must be a string of hexadecimal digits");
    return bytesField->get<std::string>();
}

platform::Result<SmcImageKey> parseKey(const json& entry) {
    if (!entry.is_object()) return platform::fail("entry is not an object");
    if (const auto unknown = unknownField(entry, kEntryFields))
        return platform::fail("unknown field \"" + *unknown + "\"");
    SmcImageKey key;
    auto name = readFourCharField(entry, "key");
    if (!name) return tl::unexpected(name.error());
    key.key = std::move(*name);
    auto type = readFourCharField(entry, "type");
    if (!type) return tl::unexpected(type.error());
    key.type = std::move(*type);
    auto bytes = readHexText(entry).and_then(parseHex);
    if (!bytes) return tl::unexpected(bytes.error());
    key.bytes = std::move(*bytes);
    const auto size = readOptionalUnsigned(entry, "size", UINT32_MAX, key.bytes.size());
    if (!size) return tl::unexpected(size.error());
    const auto attributes = readOptionalUnsigned(entry, "attributes", UINT8_MAX, 0);
    if (!attributes) return tl::unexpected(attributes.error());
    key.size = static_cast<uint32_t>(*size);
    key.attributes = static_cast<uint8_t>(*attributes);
    const auto fail = readFailure(entry);
    if (!fail) return tl::unexpected(fail.error());
    key.fail = *fail;
    return key;
}

platform::Result<void> readHeader(const json& doc, SmcImage& image) {
    if (const auto unknown = unknownField(doc, kImageFields))
        return platform::fail("unknown field \"" + *unknown +
                              "\" (an image has \"model\", \"unavailable\" and \"keys\")");
    if (auto it = doc.find("model"); it != doc.end()) {
        if (!it->is_string()) return platform::fail("\"model\" must be a string");
        image.model = it->get<std::string>();
    }
    if (auto it = doc.find("unavailable"); it != doc.end()) {
        if (!it->is_boolean()) return platform::fail("\"unavailable\" must be true or false");
        image.unavailable = it->get<bool>();
    }
    return {};
}

std::string entryName(size_t index, const json& entry) {
    std::string name = "keys[" + std::to_string(index) + "]";
    if (entry.is_object()) {
        auto it = entry.find("key");
        if (it != entry.end() && it->is_string()) name += " (\"" + it->get<std::string>() + "\")";
    }
    return name;
}

// The entry that listed `key` before entry `index`, if any.
std::optional<std::size_t> earlierEntry(std::map<std::string, std::size_t>& seen, const std::string& key,
                                        std::size_t index) {
    const auto [at, added] = seen.emplace(key, index);
    if (added) return std::nullopt;
    return at->second;
}

}  // namespace

platform::Result<SmcImage> SmcImage::fromJson(std::string_view text, const std::string& sourceName) {
    json doc = json::parse(text, nullptr, false);
    if (doc.is_discarded() || !doc.is_object()) return platform::fail(sourceName + ": not a JSON object");
    SmcImage image;
    if (const auto header = readHeader(doc, image); !header)
        return platform::fail(sourceName + ": " + header.error().message);
    auto keys = doc.find("keys");
    if (keys == doc.end() || !keys->is_array()) return platform::fail(sourceName + ": \"keys\" must be an array");
    std::map<std::string, std::size_t> seen;
    for (size_t i = 0; i < keys->size(); ++i) {
        const json& entry = (*keys)[i];
        auto key = parseKey(entry);
        if (!key) return platform::fail(sourceName + ": " + entryName(i, entry) + ": " + key.error().message);
        if (const auto first = earlierEntry(seen, key->key, i))
            return platform::fail(sourceName + ": key \"" + key->key + "\" listed twice, in keys[" +
                                  std::to_string(*first) + "] and keys[" + std::to_string(i) + "]");
        image.keys.push_back(std::move(*key));
    }
    return image;
}

platform::Result<SmcImage> SmcImage::fromFile(const std::filesystem::path& file) {
    const auto read = platform::foundation::readSmallFile(file, kMaxSmcImageBytes);
    if (!read) return tl::unexpected(read.error());
    return fromJson(read->bytes, file.string());
}

}  // namespace platform::smc
