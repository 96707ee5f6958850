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

std::optional<std::vector<uint8_t>> parseHex(const std::string& text, std::string& problem) {
    std::vector<uint8_t> bytes;
    int high = -1;  // the first digit of a byte, until its second comes
    for (char c : text) {
        if (isBlank(c)) continue;
        const std::optional<unsigned> digit = platform::foundation::hexDigitValue(c);
        if (!digit) {
            problem = "\"bytes\" holds a character that is not hexadecimal";
            return std::nullopt;
        }
        if (high < 0) {
            high = static_cast<int>(*digit);
            continue;
        }
        bytes.push_back(static_cast<uint8_t>(high * 16 + static_cast<int>(*digit)));
        high = -1;
    }
    if (high >= 0) {
        problem = "\"bytes\" has an odd number of hexadecimal digits";
        return std::nullopt;
    }
    if (bytes.size() > kMaxDataBytes) {
        problem = "\"bytes\" holds more than 32 bytes";
        return std::nullopt;
    }
    return bytes;
}

bool readFourCharField(const json& entry, const char* field, std::string& out, std::string& problem) {
    auto it = entry.find(field);
    if (it == entry.end() || !it->is_string() || it->get<std::string>().size() != 4) {
        problem = std::string("\"") + field + "\" must be a string of exactly 4 characters";
        return false;
    }
    out = it->get<std::string>();
    return true;
}

bool readOptionalUnsigned(const json& entry, const char* field, uint64_t max, uint64_t& out,
                          std::string& problem) {
    auto it = entry.find(field);
    if (it == entry.end()) return true;
    if (!it->is_number_unsigned() || it->get<uint64_t>() > max) {
        problem = std::string("\"") + field + "\" must be an unsigned integer up to " +
                  std::to_string(max);
        return false;
    }
    out = it->get<uint64_t>();
    return true;
}

bool readFailure(const json& entry, SmcKeyFailure& out, std::string& problem) {
    auto it = entry.find("fail");
    if (it == entry.end()) return true;
    if (it->is_string() && *it == "info") {
        out = SmcKeyFailure::info;
    } else if (it->is_string() && *it == "read") {
        out = SmcKeyFailure::read;
    } else {
        problem = "\"fail\" must be \"info\" or \"read\"";
        return false;
    }
    return true;
}

std::optional<SmcImageKey> parseKey(const json& entry, std::string& problem) {
    if (!entry.is_object()) {
        problem = "entry is not an object";
        return std::nullopt;
    }
    if (const auto unknown = unknownField(entry, kEntryFields)) {
        problem = "unknown field \"" + *unknown + "\"";
        return std::nullopt;
    }
    SmcImageKey key;
    if (!readFourCharField(entry, "key", key.key, problem)) return std::nullopt;
    if (!readFourCharField(entry, "type", key.type, problem)) return std::nullopt;
    auto bytesField = entry.find("bytes");
    std::string hex;
    if (bytesField != entry.end()) {
        if (!bytesField->is_string()) {
            problem = "\"bytes\" must be a string of hexadecimal digits";
            return std::nullopt;
        }
        hex = bytesField->get<std::string>();
    }
    auto bytes = parseHex(hex, problem);
    if (!bytes) return std::nullopt;
    key.bytes = std::move(*bytes);
    uint64_t size = key.bytes.size();
    uint64_t attributes = 0;
    if (!readOptionalUnsigned(entry, "size", UINT32_MAX, size, problem)) return std::nullopt;
    if (!readOptionalUnsigned(entry, "attributes", UINT8_MAX, attributes, problem)) return std::nullopt;
    key.size = static_cast<uint32_t>(size);
    key.attributes = static_cast<uint8_t>(attributes);
    if (!readFailure(entry, key.fail, problem)) return std::nullopt;
    return key;
}

bool readHeader(const json& doc, SmcImage& image, std::string& problem) {
    if (const auto unknown = unknownField(doc, kImageFields)) {
        problem = "unknown field \"" + *unknown + "\" (an image has \"model\", \"unavailable\" and \"keys\")";
        return false;
    }
    if (auto it = doc.find("model"); it != doc.end()) {
        if (!it->is_string()) {
            problem = "\"model\" must be a string";
            return false;
        }
        image.model = it->get<std::string>();
    }
    if (auto it = doc.find("unavailable"); it != doc.end()) {
        if (!it->is_boolean()) {
            problem = "\"unavailable\" must be true or false";
            return false;
        }
        image.unavailable = it->get<bool>();
    }
    return true;
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
    std::string problem;
    if (!readHeader(doc, image, problem)) return platform::fail(sourceName + ": " + problem);
    auto keys = doc.find("keys");
    if (keys == doc.end() || !keys->is_array()) return platform::fail(sourceName + ": \"keys\" must be an array");
    std::map<std::string, std::size_t> seen;
    for (size_t i = 0; i < keys->size(); ++i) {
        const json& entry = (*keys)[i];
        auto key = parseKey(entry, problem);
        if (!key) return platform::fail(sourceName + ": " + entryName(i, entry) + ": " + problem);
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
