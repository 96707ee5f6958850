#include "sensor-service/smc/Smc.h"

#include <array>
#include <cstring>
#include <mutex>

#include "platform/smc/SmcStatusCodes.h"
#include "sensor-service/smc/SpinLock.h"

namespace vrl {
namespace {

using platform::smc::SmcDriver;

// Stands in until a real driver is chosen: there is no SMC to open.
class UnavailableSmc : public SmcDriver {
public:
    SmcStatus open(uint32_t&) override { return platform::smc::kSmcNoDevice; }
    SmcStatus close(uint32_t) override { return platform::smc::kSmcNotOpen; }
    SmcStatus callStructMethod(uint32_t, uint32_t, const SmcKeyData&, SmcKeyData&) override {
        return platform::smc::kSmcNotOpen;
    }
};

struct KeyInfoCacheEntry {
    uint32_t keyCode;
    SmcKeyInfo info;
};

// Process-wide SMC state. The connection and the records are used from the
// main thread only; the cache is locked because its lookups may come from
// anywhere.
struct SmcState {
    std::shared_ptr<SmcDriver> driver = std::make_shared<UnavailableSmc>();
    uint32_t connection = 0;
    SpinLock cacheLock;
    std::array<KeyInfoCacheEntry, kSmcKeyInfoCacheCapacity> cache{};
    int32_t cacheCount = 0;
};

// At namespace scope, so that the reads of every refresh reach it without a
// guard; nothing uses the SMC layer before main.
SmcState processState;

SmcState& state() { return processState; }

SmcKeyData keyInfoRequest(uint32_t keyCode) {
    SmcKeyData input{};
    input.key = keyCode;
    input.command = platform::smc::kSmcCmdReadKeyInfo;
    return input;
}

SmcKeyInfo keyInfoFromReply(const SmcKeyData& reply) {
    return SmcKeyInfo{reply.dataSize, reply.dataType, reply.dataAttributes};
}

// Steps 4 to 6 of both reads: record size and type, then fetch the bytes.
SmcStatus readBytesInto(SmcKeyData& input, const SmcKeyInfo& info, SmcValue& value) {
    value.dataSize = info.dataSize;
    smcKeyCodeToString(info.dataType, value.dataType);
    input.command = platform::smc::kSmcCmdReadBytes;
    input.dataSize = info.dataSize;
    SmcKeyData output{};
    SmcStatus status = smcCall(platform::smc::kSmcSelector, input, output);
    if (status != 0) return status;
    std::memcpy(value.bytes, output.bytes, sizeof value.bytes);
    return 0;
}

// The key's first four characters, zero-padded after a shorter name's end:
// what strncpy(value.key, key, 4) stores, taken from the code already folded.
void copyKeyName(uint32_t keyCode, SmcValue& value) { smcKeyCodeToString(keyCode, value.key); }

}  // namespace

void smcUseDriver(std::shared_ptr<platform::smc::SmcDriver> driver) {
    SmcState& s = state();
    std::lock_guard lock(s.cacheLock);
    s.driver = driver ? std::move(driver) : std::make_shared<UnavailableSmc>();
    s.connection = 0;
    s.cache = {};
    s.cacheCount = 0;
}

SmcStatus smcOpen() {
    SmcState& s = state();
    uint32_t handle = 0;
    SmcStatus status = s.driver->open(handle);
    s.connection = status == 0 ? handle : 0;
    return status == 0 ? 0 : 1;
}

SmcStatus smcClose() {
    SmcState& s = state();
    return s.driver->close(s.connection);
}

SmcStatus smcCall(uint32_t selector, const SmcKeyData& input, SmcKeyData& output) {
    SmcState& s = state();
    return s.driver->callStructMethod(s.connection, selector, input, output);
}

SmcStatus smcGetKeyInfo(uint32_t keyCode, SmcKeyInfo& info) {
    SmcState& s = state();
    std::lock_guard lock(s.cacheLock);
    for (int32_t i = 0; i < s.cacheCount; ++i) {
        if (s.cache[i].keyCode == keyCode) {
            info = s.cache[i].info;
            return 0;
        }
    }
    SmcKeyData input = keyInfoRequest(keyCode);
    SmcKeyData output{};
    SmcStatus status = smcCall(platform::smc::kSmcSelector, input, output);
    if (status != 0) return status;
    info = keyInfoFromReply(output);
    if (s.cacheCount < kSmcKeyInfoCacheCapacity) s.cache[s.cacheCount++] = {keyCode, info};
    return 0;
}

SmcStatus smcReadKeyCode(const char* key, SmcValue& value) {
    value = SmcValue{};
    uint32_t keyCode = smcKeyCodeFromString(key);
    copyKeyName(keyCode, value);
    SmcKeyInfo info{};
    SmcStatus status = smcGetKeyInfo(keyCode, info);
    if (status != 0) return status;
    SmcKeyData input{};
    input.key = keyCode;
    return readBytesInto(input, info, value);
}

SmcStatus smcReadKey(const char* key, SmcValue& value) { return smcReadKeyCode(key, value); }

SmcStatus smcReadKeyUncached(const char* key, SmcValue& value) {
    value = SmcValue{};
    SmcKeyData input = keyInfoRequest(smcKeyCodeFromString(key));
    copyKeyName(input.key, value);
    SmcKeyData output{};
    SmcStatus status = smcCall(platform::smc::kSmcSelector, input, output);
    if (status != 0) return status;
    return readBytesInto(input, keyInfoFromReply(output), value);
}

double smcGetTemperature(const char* key) {
    SmcValue value{};
    if (smcReadKey(key, value) != 0) return -1.0;
    if (value.dataSize == 0 || std::memcmp(value.dataType, "sp78", sizeof value.dataType) != 0) return -1.0;
    auto word = static_cast<int16_t>(static_cast<uint16_t>((value.bytes[0] << 8) | value.bytes[1]));
    return static_cast<double>(word >> 2) * 0.015625;
}

void smcKeyCodeToString(uint32_t code, char out[5]) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<char>((code >> (24 - 8 * i)) & 0xFF);
    out[4] = '\0';
}

uint32_t smcKeyCodeFromString(const char* name) {
    // A shorter name is padded with zero bytes rather than read past its end.
    uint64_t code = 0;
    for (int i = 0; i < 4; ++i) {
        const auto c = static_cast<uint8_t>(name[i]);
        if (c == 0) return static_cast<uint32_t>(code << (8 * (4 - i)));
        code = code << 8 | c;
    }
    return static_cast<uint32_t>(code);
}

int smcKeyInfoCacheCount() {
    SmcState& s = state();
    std::lock_guard lock(s.cacheLock);
    return s.cacheCount;
}

}  // namespace vrl
