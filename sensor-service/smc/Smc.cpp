#include "sensor-service/smc/Smc.h"

#include <cstring>

#include "platform/smc/SmcStatusCodes.h"

namespace vrl {
namespace {

SmcKeyData keyInfoRequest(uint32_t keyCode) {
    SmcKeyData input{};
    input.key = keyCode;
    input.command = platform::smc::kSmcCmdReadKeyInfo;
    return input;
}

SmcKeyInfo keyInfoFromReply(const SmcKeyData& reply) {
    return SmcKeyInfo{reply.dataSize, reply.dataType, reply.dataAttributes};
}

// The key's first four characters, zero-padded after a shorter name's end:
// what strncpy(value.key, key, 4) stores, taken from the code already folded.
void copyKeyName(uint32_t keyCode, SmcValue& value) { smcKeyCodeToString(keyCode, value.key); }

}  // namespace

Smc::Smc(platform::smc::SmcDriver& driver) : driver_(driver) {}

SmcStatus Smc::smcOpen() {
    uint32_t handle = 0;
    const SmcStatus status = driver_.open(handle);
    connection_ = status == 0 ? handle : 0;
    return status == 0 ? 0 : 1;
}

SmcStatus Smc::smcClose() { return driver_.close(connection_); }

SmcStatus Smc::smcCall(uint32_t selector, const SmcKeyData& input, SmcKeyData& output) {
    return driver_.callStructMethod(connection_, selector, input, output);
}

SmcStatus Smc::smcGetKeyInfo(uint32_t keyCode, SmcKeyInfo& info) {
    for (int32_t i = 0; i < cacheCount_; ++i) {
        if (cache_[i].keyCode == keyCode) {
            info = cache_[i].info;
            return 0;
        }
    }
    SmcKeyData output{};
    const SmcStatus status = smcCall(platform::smc::kSmcSelector, keyInfoRequest(keyCode), output);
    if (status != 0) return status;
    info = keyInfoFromReply(output);
    if (cacheCount_ < kSmcKeyInfoCacheCapacity) cache_[cacheCount_++] = {keyCode, info};
    return 0;
}

// Steps shared by both reads: record size and type, then fetch the bytes.
SmcStatus Smc::readBytesInto(SmcKeyData& input, const SmcKeyInfo& info, SmcValue& value) {
    value.dataSize = info.dataSize;
    smcKeyCodeToString(info.dataType, value.dataType);
    input.command = platform::smc::kSmcCmdReadBytes;
    input.dataSize = info.dataSize;
    SmcKeyData output{};
    const SmcStatus status = smcCall(platform::smc::kSmcSelector, input, output);
    if (status != 0) return status;
    std::memcpy(value.bytes, output.bytes, sizeof value.bytes);
    return 0;
}

SmcStatus Smc::smcReadKeyCode(const char* key, SmcValue& value) {
    value = SmcValue{};
    const uint32_t keyCode = smcKeyCodeFromString(key);
    copyKeyName(keyCode, value);
    SmcKeyInfo info{};
    const SmcStatus status = smcGetKeyInfo(keyCode, info);
    if (status != 0) return status;
    SmcKeyData input{};
    input.key = keyCode;
    return readBytesInto(input, info, value);
}

SmcStatus Smc::smcReadKey(const char* key, SmcValue& value) { return smcReadKeyCode(key, value); }

SmcStatus Smc::smcReadKeyUncached(const char* key, SmcValue& value) {
    value = SmcValue{};
    SmcKeyData input = keyInfoRequest(smcKeyCodeFromString(key));
    copyKeyName(input.key, value);
    SmcKeyData output{};
    const SmcStatus status = smcCall(platform::smc::kSmcSelector, input, output);
    if (status != 0) return status;
    return readBytesInto(input, keyInfoFromReply(output), value);
}

double Smc::smcGetTemperature(const char* key) {
    SmcValue value{};
    if (smcReadKey(key, value) != 0) return -1.0;
    if (value.dataSize == 0 || std::memcmp(value.dataType, "sp78", sizeof value.dataType) != 0) return -1.0;
    const auto word = static_cast<int16_t>(static_cast<uint16_t>((value.bytes[0] << 8) | value.bytes[1]));
    return static_cast<double>(word >> 2) * 0.015625;
}

int Smc::keyInfoCacheCount() const { return cacheCount_; }

void smcKeyCodeToString(uint32_t code, char out[5]) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<char>((code >> (24 - 8 * i)) & 0xFF);
    out[4] = '\0';
}

uint32_t smcKeyCodeFromString(const char* name) {
    uint64_t code = 0;
    for (int i = 0; i < 4; ++i) {
        const auto c = static_cast<uint8_t>(name[i]);
        if (c == 0) return static_cast<uint32_t>(code << (8 * (4 - i)));
        code = code << 8 | c;
    }
    return static_cast<uint32_t>(code);
}

}  // namespace vrl
