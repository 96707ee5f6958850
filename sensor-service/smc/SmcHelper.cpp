#include "sensor-service/smc/SmcHelper.h"

#include <algorithm>
#include <cstring>

#include "platform/foundation/HexDigits.h"

namespace vrl {
namespace {

uint32_t bigEndianWord(const uint8_t* buffer, int width) {
    uint32_t word = 0;
    for (int i = 0; i < width; ++i) word = (word << 8) | buffer[i];
    return word;
}

// Integer bits and fraction bits of an "fp" or "sp" name must fill the 16
// (unsigned) or 15 (signed) value bits. Digits that are not hexadecimal never
// make up the sum.
bool fixedPointDigitsFit(char family, char integerBits, char fractionBits) {
    int integer = SmcHelper::getIndexFromHexChar(integerBits);
    int fraction = SmcHelper::getIndexFromHexChar(fractionBits);
    if (integer < 0 || fraction < 0) return false;
    return integer + fraction == (family == 'f' ? 16 : 15);
}

NumberObject decodeInteger(const uint8_t* buffer, uint64_t length, const char* type) {
    int width = 0;
    if (type[2] == '1' && length == 2 && type[3] == '6') width = 2;
    else if (type[2] == '3' && length == 4 && type[3] == '2') width = 4;
    else if (type[2] == '8' && length == 1) width = 1;
    else return std::monostate{};
    uint32_t word = bigEndianWord(buffer, width);
    uint32_t topBit = 1u << (8 * width - 1);
    // Signed SMC integers here are sign and magnitude.
    if (type[0] == 's' && (word & topBit)) return -static_cast<int64_t>(word & ~topBit);
    return static_cast<uint64_t>(word);
}

NumberObject decodeFixedPoint(const uint8_t* buffer, uint64_t length, const char* type) {
    if (length != 2 || type[1] != 'p' || !fixedPointDigitsFit(type[0], type[2], type[3])) return std::monostate{};
    int fractionBits = SmcHelper::getIndexFromHexChar(type[3]);
    // The sign bit of "sp" types is not honoured on this path.
    auto word = static_cast<float>(bigEndianWord(buffer, 2));
    return word / static_cast<float>(1u << fractionBits);
}

}  // namespace

NumberObject SmcHelper::decodeNumericValueFromBuffer(const uint8_t* buffer, uint64_t length, const char* type) {
    if (!buffer || !type || strnlen(type, 4) < 3) return std::monostate{};
    if ((type[0] == 'u' || type[0] == 's') && type[1] == 'i') return decodeInteger(buffer, length, type);
    if (type[0] == 'f' || type[0] == 's') return decodeFixedPoint(buffer, length, type);
    return std::monostate{};
}

int SmcHelper::getIndexFromHexChar(char c) {
    // Type names are lower case: "fpE2" is no fixed-point type.
    const std::optional<unsigned> digit =
        platform::foundation::hexDigitValue(c, platform::foundation::HexLetters::lowerCaseOnly);
    return digit ? static_cast<int>(*digit) : -1;
}

bool SmcHelper::isValidIntegerSmcType(const std::optional<std::string>& type) {
    if (!type || type->size() < 3) return false;
    const std::string& t = *type;
    if ((t[0] != 'u' && t[0] != 's') || t[1] != 'i') return false;
    if (t[2] == '8') return true;
    if (t.size() < 4) return false;
    return (t[2] == '3' && t[3] == '2') || (t[2] == '1' && t[3] == '6');
}

bool SmcHelper::isValidFloatingSmcType(const std::optional<std::string>& type) {
    if (!type || type->size() < 4) return false;
    const std::string& t = *type;
    return (t[0] == 'f' || t[0] == 's') && t[1] == 'p' && fixedPointDigitsFit(t[0], t[2], t[3]);
}

NumberObject SmcHelper::readNumericKey(Smc& smc, const std::string& key) {
    SmcValue value{};
    if (smc.smcReadKeyCode(key.c_str(), value) != 0) return std::monostate{};
    uint64_t length = std::min<uint64_t>(value.dataSize, sizeof value.bytes);
    return decodeNumericValueFromBuffer(value.bytes, length, value.dataType);
}

}  // namespace vrl
