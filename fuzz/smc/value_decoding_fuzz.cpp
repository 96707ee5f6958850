// Both decoding paths over any type name, reported size and 32 data bytes,
// and the text read back as a fan speed is, which must never be NaN.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include "sensor-service/smc/LeadingNumber.h"
#include "sensor-service/smc/SmcHelper.h"
#include "sensor-service/smc/ValueText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 8) return 0;
    vrl::SmcValue value{};
    std::memcpy(value.dataType, data, 4);
    std::memcpy(&value.dataSize, data + 4, 4);
    const size_t byteCount = std::min<size_t>(size - 8, sizeof value.bytes);
    std::memcpy(value.bytes, data + 8, byteCount);

    std::optional<std::string> text;
    vrl::stringRepresentationOfVal(value, text);
    if (text && std::isnan(vrl::leadingNumber(*text))) __builtin_trap();
    vrl::SmcHelper::decodeNumericValueFromBuffer(value.bytes, value.dataSize, value.dataType);
    vrl::SmcHelper::isValidIntegerSmcType(std::string(value.dataType));
    vrl::SmcHelper::isValidFloatingSmcType(std::string(value.dataType));
    return 0;
}
