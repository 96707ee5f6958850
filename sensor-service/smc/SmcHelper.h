#pragma once
// The number path of value decoding: integer and fixed-point SMC types by a
// generic rule, into a number object.
#include <cstdint>
#include <optional>
#include <string>

#include "sensor-service/smc/NumberObject.h"
#include "sensor-service/smc/Smc.h"

namespace vrl {

// A class without state: everything but readNumericKey is pure and may be
// called from any thread; none of it throws.
class SmcHelper {
public:
    // The first length bytes of buffer read by type: "ui"/"si" 8, 16 and 32
    // (sign and magnitude) and every "fp"/"sp" pair that fills 16 or 15 bits.
    // nil for a null buffer or type, a type shorter than three characters, a
    // size that does not fit the type, or any other type.
    static NumberObject decodeNumericValueFromBuffer(const uint8_t* buffer, uint64_t length, const char* type);
    // '0'-'9' and 'a'-'f' give 0 to 15; every other character, upper-case
    // letters too, gives -1.
    static int getIndexFromHexChar(char c);
    static bool isValidIntegerSmcType(const std::optional<std::string>& type);
    static bool isValidFloatingSmcType(const std::optional<std::string>& type);
    // Cached read of the key through smc, decoded; nil when the read fails or
    // the type is not decodable. On the thread that owns smc.
    static NumberObject readNumericKey(Smc& smc, const std::string& key);
};

}  // namespace vrl
