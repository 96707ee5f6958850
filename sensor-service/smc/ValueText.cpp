#include "sensor-service/smc/ValueText.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "platform/smc/FourCharCode.h"

namespace vrl {
namespace {

constexpr uint32_t kDataBytes = 32;

// Type names compare as their four bytes folded into one number: the type
// chain below runs for every fan speed of every refresh. The table's names
// are folded when the program is compiled.
consteval uint32_t code(const char (&name)[5]) { return platform::smc::fourCharCode(name); }

uint32_t typeCode(std::string_view type) { return type.size() == 4 ? platform::smc::fourCharCode(type) : 0; }

// A value of these types is raw / 2^fractionBits, shown with `decimals`
// digits after the point.
struct FixedPointFormat {
    uint32_t type;
    bool isSigned;
    unsigned fractionBits;
    unsigned decimals;
};

constexpr std::array<FixedPointFormat, 18> kFixedPointFormats{{
    {code("fp1f"), false, 15, 5}, {code("fp4c"), false, 12, 5}, {code("fp5b"), false, 11, 5},
    {code("fp6a"), false, 10, 4}, {code("fp79"), false, 9, 4}, {code("fp88"), false, 8, 3},
    {code("fpa6"), false, 6, 2}, {code("fpc4"), false, 4, 2}, {code("fpe2"), false, 2, 2},
    {code("sp1e"), true, 14, 5}, {code("sp3c"), true, 12, 5}, {code("sp4b"), true, 11, 4},
    {code("sp5a"), true, 10, 4}, {code("sp69"), true, 9, 3}, {code("sp78"), true, 8, 3},
    {code("sp87"), true, 7, 3}, {code("sp96"), true, 6, 2}, {code("spb4"), true, 4, 2},
}};

template <typename... Args>
std::string formatted(const char* format, Args... args) {
    std::array<char, 64> text{};
    std::snprintf(text.data(), text.size(), format, args...);
    return text.data();
}

uint16_t word16(const uint8_t* bytes) { return static_cast<uint16_t>((bytes[0] << 8) | bytes[1]); }

// The text printf("%.*f") gives for raw / 2^fractionBits, in integer
// arithmetic: the value is exact in binary, so printf rounds its exact decimal
// expansion to nearest, ties to even, and so does this. Fan speeds pass here
// on every refresh.
std::string fixedPointDecimal(int32_t raw, unsigned fractionBits, unsigned decimals) {
    static constexpr std::array<uint64_t, 6> kPowersOfTen{1, 10, 100, 1000, 10000, 100000};
    const uint64_t magnitude = static_cast<uint64_t>(raw < 0 ? -static_cast<int64_t>(raw) : raw);
    const uint64_t scaled = magnitude * kPowersOfTen[decimals];
    uint64_t digits = scaled >> fractionBits;
    const uint64_t remainder = scaled & ((uint64_t{1} << fractionBits) - 1);
    const uint64_t half = uint64_t{1} << fractionBits >> 1;
    if (remainder > half || (remainder == half && half != 0 && (digits & 1) != 0)) ++digits;

    std::array<char, 32> text{};
    char* end = text.data();
    if (raw < 0) *end++ = '-';
    end = std::to_chars(end, text.data() + text.size(), digits / kPowersOfTen[decimals]).ptr;
    if (decimals > 0) {
        *end++ = '.';
        uint64_t fraction = digits % kPowersOfTen[decimals];
        for (unsigned i = decimals; i-- > 0; fraction /= 10) end[i] = static_cast<char>('0' + fraction % 10);
        end += decimals;
    }
    return std::string(text.data(), end);
}

std::optional<std::string> fixedPointText(const uint8_t* bytes, uint32_t type) {
    // Every 16-bit word is exact as a float: "%.0f" of it is the integer.
    if (type == code("spf0")) return std::to_string(word16(bytes));
    for (const auto& entry : kFixedPointFormats) {
        if (entry.type != type) continue;
        const uint16_t word = word16(bytes);
        const int32_t raw = entry.isSigned ? static_cast<int16_t>(word) : word;
        return fixedPointDecimal(raw, entry.fractionBits, entry.decimals);
    }
    return std::nullopt;
}

std::string littleEndianFloatText(const uint8_t* bytes) {
    uint32_t bits = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                    static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
    return formatted("%.0f", static_cast<double>(std::bit_cast<float>(bits)));
}

std::string pwmText(const uint8_t* bytes) {
    uint32_t percentScaled = static_cast<uint32_t>(word16(bytes)) * 100;
    return formatted("%.1f%%", static_cast<double>(percentScaled) * 1.52587890625e-05);
}

// "ch8*" of any size: the text up to the first zero, never past the 32 bytes.
std::string characterText(const uint8_t* bytes) {
    const auto* chars = reinterpret_cast<const char*>(bytes);
    return std::string(chars, strnlen(chars, kDataBytes));
}

std::string hexText(const uint8_t* bytes, uint32_t size) {
    std::string text;
    for (uint32_t i = 0; i < size; ++i) text += formatted("%02x ", bytes[i]);
    return text;
}

std::optional<std::string> textFor(const uint8_t* bytes, uint32_t size, std::string_view typeName) {
    const uint32_t type = typeCode(typeName);
    uint32_t usable = std::min(size, kDataBytes);
    if (type == code("ui8 ") || type == code("ui16") || type == code("ui32"))
        return std::to_string(_strtoul(bytes, static_cast<int32_t>(usable), 10));
    if (type == code("flt ") && size == 4) return littleEndianFloatText(bytes);
    if (size == 2) {
        if (auto text = fixedPointText(bytes, type)) return text;
    }
    if (type == code("si8 ") && size == 1) return std::to_string(static_cast<int8_t>(bytes[0]));
    if (type == code("si16") && size == 2) return std::to_string(word16(bytes));
    if (type == code("{pwm") && size == 2) return pwmText(bytes);
    if (type == code("ch8*")) return characterText(bytes);
    if (type == code("flag")) return std::string(bytes[0] != 0 ? "TRUE" : "FALSE");
    if (size > 31) return std::nullopt;
    return hexText(bytes, size);
}

}  // namespace

int stringRepresentationOfVal(const SmcValue& value, std::optional<std::string>& out) {
    return stringRepresentationForBytes(value.bytes, value.dataSize, value.dataType, out);
}

int stringRepresentationForBytes(const uint8_t bytes[32], uint32_t size, const char type[5],
                                 std::optional<std::string>& out) {
    if (size == 0) return 1;
    auto text = textFor(bytes, size, std::string_view(type, strnlen(type, 4)));
    if (!text) return 2;
    out = std::move(*text);
    return 0;
}

// Each byte contributes byte << 8*(size-1-i) in unsigned 32-bit arithmetic.
// For sizes above 4 the leading bytes would be shifted by 32 bits or more,
// which leaves nothing of them modulo 2^32: only the last four bytes count,
// and no shift is ever 32 or wider.
uint32_t _strtoul(const uint8_t* bytes, int32_t size, int32_t base) {
    uint32_t total = 0;
    for (int32_t i = 0; i < size; ++i) {
        int64_t shift = 8 * static_cast<int64_t>(size - 1 - i);
        if (shift >= 32) continue;
        uint32_t term = base == 16 ? static_cast<uint32_t>(static_cast<int32_t>(static_cast<int8_t>(bytes[i])))
                                   : bytes[i];
        total += term << shift;
    }
    return total;
}

}  // namespace vrl
