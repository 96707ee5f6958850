#pragma once
// A simulated machine's SMC contents, loaded from a JSON image. Loading is all
// or nothing: a malformed image is refused with a message naming the file and
// the entry, never partly used.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::smc {

enum class SmcKeyFailure { none, info, read };

struct SmcImageKey {
    std::string key;               // exactly four characters
    std::string type;              // exactly four characters
    std::vector<uint8_t> bytes;    // at most 32
    uint32_t size = 0;             // the data size the SMC reports
    uint8_t attributes = 0;
    SmcKeyFailure fail = SmcKeyFailure::none;
};

struct SmcImage {
    std::optional<std::string> model;
    bool unavailable = false;
    std::vector<SmcImageKey> keys;

    static std::optional<SmcImage> fromJson(std::string_view text, const std::string& sourceName,
                                            std::string& error);
    static std::optional<SmcImage> fromFile(const std::filesystem::path& file, std::string& error);
};

}  // namespace platform::smc
