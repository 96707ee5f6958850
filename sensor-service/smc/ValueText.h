#pragma once
// The text path of value decoding: an SMC value rendered as display text by a
// fixed table of types. Pure functions: any thread; none throws but on
// allocation.
#include <cstdint>
#include <optional>
#include <string>

#include "sensor-service/smc/Smc.h"

namespace vrl {

// 0 when a new string was stored in out; non-zero when nothing was stored.
int stringRepresentationOfVal(const SmcValue& value, std::optional<std::string>& out);
int stringRepresentationForBytes(const uint8_t bytes[32], uint32_t size, const char type[5],
                                 std::optional<std::string>& out);

// Big-endian unsigned fold of size bytes in unsigned 32-bit arithmetic.
uint32_t _strtoul(const uint8_t* bytes, int32_t size, int32_t base);

}  // namespace vrl
