#pragma once
// Big-endian fold of a four-character SMC name; missing characters count as
// zero bytes.
#include <cstdint>
#include <string_view>

namespace platform::smc {

constexpr uint32_t fourCharCode(std::string_view name) {
    uint32_t code = 0;
    for (size_t i = 0; i < 4; ++i) code = (code << 8) | static_cast<uint8_t>(i < name.size() ? name[i] : 0);
    return code;
}

}  // namespace platform::smc
