#include "sensor-service/server/protocol/MessagePackWriter.h"

#include <bit>
#include <type_traits>

namespace vrl {

void MessagePackWriter::bigEndian(uint64_t value, int byteCount) {
    for (int shift = (byteCount - 1) * 8; shift >= 0; shift -= 8) bytes_.push_back(static_cast<uint8_t>(value >> shift));
}

void MessagePackWriter::mapHeader(uint32_t count) {
    if (count < 16) {
        bytes_.push_back(static_cast<uint8_t>(0x80 | count));
    } else if (count <= 0xffff) {
        bytes_.push_back(0xde);
        bigEndian(count, 2);
    } else {
        bytes_.push_back(0xdf);
        bigEndian(count, 4);
    }
}

void MessagePackWriter::string(std::string_view text) {
    const auto size = static_cast<uint32_t>(text.size());
    if (size < 32) {
        bytes_.push_back(static_cast<uint8_t>(0xa0 | size));
    } else if (size <= 0xff) {
        bytes_.push_back(0xd9);
        bigEndian(size, 1);
    } else if (size <= 0xffff) {
        bytes_.push_back(0xda);
        bigEndian(size, 2);
    } else {
        bytes_.push_back(0xdb);
        bigEndian(size, 4);
    }
    bytes_.insert(bytes_.end(), text.begin(), text.end());
}

void MessagePackWriter::float64(double value) {
    bytes_.push_back(0xcb);
    bigEndian(std::bit_cast<uint64_t>(value), 8);
}

void MessagePackWriter::float32(float value) {
    bytes_.push_back(0xca);
    bigEndian(std::bit_cast<uint32_t>(value), 4);
}

void MessagePackWriter::unsignedInteger(uint64_t value) {
    bytes_.push_back(0xcf);
    bigEndian(value, 8);
}

void MessagePackWriter::signedInteger(int64_t value) {
    bytes_.push_back(0xd3);
    bigEndian(static_cast<uint64_t>(value), 8);
}

void MessagePackWriter::nil() { bytes_.push_back(0xc0); }

void MessagePackWriter::number(const NumberObject& number) {
    std::visit(
        [this](auto value) {
            using T = decltype(value);
            if constexpr (std::is_same_v<T, std::monostate>) nil();
            else if constexpr (std::is_same_v<T, uint64_t>) unsignedInteger(value);
            else if constexpr (std::is_same_v<T, int64_t>) signedInteger(value);
            else if constexpr (std::is_same_v<T, float>) float32(value);
            else float64(value);
        },
        number);
}

}  // namespace vrl
