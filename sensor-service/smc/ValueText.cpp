#include "sensor-service/smc/ValueText.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace vrl {
namespace {

constexpr uint32_t kDataBytes = 32;

struct FixedPointFormat {
    std::string_view type;
    bool isSigned;
    double multiplier;
    const char* format;
};

constexpr std::array<FixedPointFormat, 18> kFixedPointFormats{{
    {"fp1f", false, 1.0 / 32768, "%.5f"}, {"fp4c", false, 1.0 / 4096, "%.5f"},
    {"fp5b", false, 1.0 / 2048, "%.5f"},  {"fp6a", false, 1.0 / 1024, "%.4f"},
    {"fp79", false, 1.0 / 512, "%.4f"},   {"fp88", false, 1.0 / 256, "%.3f"},
    {"fpa6", false, 1.0 / 64, "%.2f"},    {"fpc4", false, 1.0 / 16, "%.2f"},
    {"fpe2", false, 1.0 / 4, "%.2f"},     {"sp1e", true, 1.0 / 16384, "%.5f"},
    {"sp3c", true, 1.0 / 4096, "%.5f"},   {"sp4b", true, 1.0 / 2048, "%.4f"},
    {"sp5a", true, 1.0 / 1024, "%.4f"},   {"sp69", true, 1.0 / 512, "%.3f"},
    {"sp78", true, 1.0 / 256, "%.3f"},    {"sp87", true, 1.0 / 128, "%.3f"},
    {"sp96", true, 1.0 / 64, "%.2f"},     {"spb4", true, 1.0 / 16, "%.2f"},
}};

template <typename... Args>
std::string formatted(const char* format, Args... args) {
    std::array<char, 64> text{};
    std::snprintf(text.data(), text.size(), format, args...);
    return text.data();
}

uint16_t word16(const uint8_t* bytes) { return static_cast<uint16_t>((bytes[0] << 8) | bytes[1]); }

std::optional<std::string> fixedPointText(const uint8_t* bytes, std::string_view type) {
    if (type == "spf0") return formatted("%.0f", static_cast<double>(static_cast<float>(word16(bytes))));
    for (const auto& entry : kFixedPointFormats) {
        if (entry.type != type) continue;
        uint16_t word = word16(bytes);
        double raw = entry.isSigned ? static_cast<double>(static_cast<int16_t>(word)) : static_cast<double>(word);
        return formatted(entry.format, raw * entry.multiplier);
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

std::optional<std::string> textFor(const uint8_t* bytes, uint32_t size, std::string_view type) {
    uint32_t usable = std::min(size, kDataBytes);
    if (type == "ui8 " || type == "ui16" || type == "ui32")
        return formatted("%u", _strtoul(bytes, static_cast<int32_t>(usable), 10));
    if (type == "flt " && size == 4) return littleEndianFloatText(bytes);
    if (size == 2) {
        if (auto text = fixedPointText(bytes, type)) return text;
    }
    if (type == "si8 " && size == 1) return formatted("%d", static_cast<int>(static_cast<int8_t>(bytes[0])));
    if (type == "si16" && size == 2) return formatted("%d", static_cast<int>(word16(bytes)));
    if (type == "{pwm" && size == 2) return pwmText(bytes);
    if (type == "ch8*") return characterText(bytes);
    if (type == "flag") return std::string(bytes[0] != 0 ? "TRUE" : "FALSE");
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
