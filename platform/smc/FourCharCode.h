#pragma once
// Big-endian fold of a four-character SMC name; missing characters count as
// zero bytes.
#include <cstdint>
#include <string_view>

namespace platform::smc {

// Straight-line, as discovery folds every listed key and the value text every
// type name of every refresh.
constexpr uint32_t fourCharCode(std::string_view name) {
    const auto byte = [name](size_t i) -> uint32_t { return i < name.size() ? static_cast<uint8_t>(name[i]) : 0; };
    return byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3);
}

}  // namespace platform::smc
