#include "platform/smc/SmcImageWriter.h"

#include <algorithm>

#include <nlohmann/json.hpp>

namespace platform::smc {
namespace {

constexpr std::size_t kMaxDataBytes = 32;

bool isFourAsciiCharacters(const std::string& name) {
    return name.size() == 4 &&
           std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// A byte that is not UTF-8 becomes U+FFFD rather than an exception: the
// model comes from DMI, and a key is quoted in the message refusing it.
std::string quoted(const std::string& text) {
    return nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string hex(const std::vector<uint8_t>& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (const uint8_t byte : bytes) {
        out += kDigits[byte >> 4];
        out += kDigits[byte & 0x0F];
    }
    return out;
}

Result<std::string> keyLine(const SmcImageKey& key) {
    if (!isFourAsciiCharacters(key.key) || !isFourAsciiCharacters(key.type))
        return fail("key " + quoted(key.key) + " of type " + quoted(key.type) +
                    ": an SMC image holds four ASCII characters for each");
    if (key.bytes.size() > kMaxDataBytes)
        return fail("key " + quoted(key.key) + ": more than 32 bytes");
    std::string line = "{ \"key\": " + quoted(key.key) + ", \"type\": " + quoted(key.type) + ", \"bytes\": \"" +
                       hex(key.bytes) + "\"";
    if (key.size != key.bytes.size()) line += ", \"size\": " + std::to_string(key.size);
    if (key.attributes != 0) line += ", \"attributes\": " + std::to_string(key.attributes);
    if (key.fail == SmcKeyFailure::info) line += ", \"fail\": \"info\"";
    if (key.fail == SmcKeyFailure::read) line += ", \"fail\": \"read\"";
    return line + " }";
}

}  // namespace

Result<std::string> smcImageJson(const SmcImage& image) {
    std::string out = "{";
    if (image.model) out += " \"model\": " + quoted(*image.model) + ",\n ";
    if (image.unavailable) out += " \"unavailable\": true,\n ";
    out += " \"keys\": [";
    const char* separator = "\n    ";
    for (const SmcImageKey& key : image.keys) {
        Result<std::string> line = keyLine(key);
        if (!line) return fail(line.error().message);
        out += separator + *line;
        separator = ",\n    ";
    }
    return out + " ] }\n";
}

}  // namespace platform::smc
