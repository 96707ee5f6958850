#pragma once
// How a fan's identifier value becomes its title, by the identifier's data type.
// Pure functions: any thread.
#include <optional>
#include <string>

#include "sensor-service/smc/Smc.h"

namespace vrl {

class FanTitle {
public:
    // The title of the fan at index, or none when the fan is to be left out
    // (a GPU fan, a GPU or unused descriptor, an identifier of another type).
    static std::optional<std::string> fromIdentifier(const SmcValue& identifier, unsigned index);
    // "Fan %X" with the fan's number, one more than its index.
    static std::string fallback(unsigned index);
};

}  // namespace vrl
