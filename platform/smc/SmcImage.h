#pragma once
// A simulated machine's SMC contents, loaded from a JSON image. Loading is all
// or nothing: a malformed image is refused with a message naming the file and
// the entry, never partly used. An image is untrusted input: anyone who can
// name a file to the service can hand it one.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/Result.h"

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

// The largest image file read. A real Mac's table has at most a few
// thousand keys, about 100 bytes of JSON each: well under 1 MiB. Four times
// that leaves room for hand-written, commented-out-by-copy images while
// bounding what a device such as /dev/zero can cost.
inline constexpr std::size_t kMaxSmcImageBytes = 4u << 20;

struct SmcImage {
    std::optional<std::string> model;
    bool unavailable = false;
    std::vector<SmcImageKey> keys;

    // The image in `text`; `sourceName` starts every error. Refused: text that
    // is not a JSON object, a field of the wrong type or value, a field the
    // format does not have (named, with its entry), and a key listed twice
    // (named, with both entries). Any thread; never throws.
    static platform::Result<SmcImage> fromJson(std::string_view text, const std::string& sourceName);
    // The image in `file`, read only when it is a regular file of at most
    // kMaxSmcImageBytes, never blocking on a FIFO; the error says what the
    // file is instead, or why it could not be read (strerror). Any thread;
    // never throws.
    static platform::Result<SmcImage> fromFile(const std::filesystem::path& file);
};

}  // namespace platform::smc
