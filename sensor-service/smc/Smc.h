#pragma once
// The SMC access layer: one process-wide connection, the raw call, key codes,
// the key-info cache and the value reads.
#include <cstdint>
#include <memory>

#include "platform/smc/SmcDriver.h"
#include "platform/smc/SmcKeyData.h"

namespace vrl {

using platform::smc::SmcKeyData;
using platform::smc::SmcStatus;

struct SmcKeyInfo {
    uint32_t dataSize;
    uint32_t dataType;
    uint8_t dataAttributes;
};

struct SmcValue {
    char key[5];
    uint32_t dataSize;   // as the SMC reported it; readers clamp to 32 bytes
    char dataType[5];
    uint8_t bytes[32];
};

inline constexpr int kSmcKeyInfoCacheCapacity = 100;

// Chooses the driver behind smcOpen/smcCall for the whole process and starts
// afresh: connection handle 0 and an empty key-info cache. The default is the
// driver chosen at start-up; tests install a fresh one per case.
void smcUseDriver(std::shared_ptr<platform::smc::SmcDriver> driver);

SmcStatus smcOpen();
SmcStatus smcClose();
SmcStatus smcCall(uint32_t selector, const SmcKeyData& input, SmcKeyData& output);
SmcStatus smcGetKeyInfo(uint32_t keyCode, SmcKeyInfo& info);
SmcStatus smcReadKeyCode(const char* key, SmcValue& value);
SmcStatus smcReadKey(const char* key, SmcValue& value);
SmcStatus smcReadKeyUncached(const char* key, SmcValue& value);
double smcGetTemperature(const char* key);
void smcKeyCodeToString(uint32_t code, char out[5]);

// Big-endian fold of the first four characters of a key or type name.
uint32_t smcKeyCodeFromString(const char* name);

// Number of entries in the key-info cache (for tests and benchmarks).
int smcKeyInfoCacheCount();

}  // namespace vrl
