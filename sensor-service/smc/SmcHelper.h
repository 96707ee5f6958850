#pragma once
// The number path of value decoding: integer and fixed-point SMC types by a
// generic rule, into a number object.
#include <cstdint>
#include <optional>
#include <string>

#include "sensor-service/smc/NumberObject.h"

namespace vrl {

class SmcHelper {
public:
    static NumberObject decodeNumericValueFromBuffer(const uint8_t* buffer, uint64_t length, const char* type);
    static int getIndexFromHexChar(char c);
    static bool isValidIntegerSmcType(const std::optional<std::string>& type);
    static bool isValidFloatingSmcType(const std::optional<std::string>& type);
    // Cached read of the key, decoded; nil when the read fails.
    static NumberObject readNumericKey(const std::string& key);
};

}  // namespace vrl
