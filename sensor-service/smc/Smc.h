#pragma once
// The SMC access layer: one connection to one SMC driver, the raw call, the
// key-info cache and the value reads, plus the key-code conversions.
#include <array>
#include <cstdint>

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

// One SMC as the service sees it. Every object has its own connection handle
// and its own key-info cache, so two objects never see each other's keys.
//
// Threads: the object belongs to one thread (the service's SMC thread), and
// every method must be called there. Nothing is locked: the connection
// handle and the key-info cache are that thread's alone, so a key is still
// asked of the SMC once, and a lock would only cost.
//
// Failures are statuses, never exceptions: 0 is success, anything else the
// driver's status passed through unchanged (smcOpen: 1 for every failure).
class Smc {
public:
    // Requires driver to outlive the object.
    explicit Smc(platform::smc::SmcDriver& driver);
    Smc(const Smc&) = delete;
    Smc& operator=(const Smc&) = delete;

    // Opens a connection and keeps its handle (0 after a failed open); an open
    // without a close in between replaces the handle without closing it.
    SmcStatus smcOpen();
    // Closes the kept handle and returns the driver's status; the key-info
    // cache survives for the next open.
    SmcStatus smcClose();
    SmcStatus smcCall(uint32_t selector, const SmcKeyData& input, SmcKeyData& output);
    // From the cache when the key is in it (no call, so it works while the
    // connection is closed), else from the SMC; a successful answer is cached
    // while fewer than kSmcKeyInfoCacheCapacity keys are. info is written
    // only on success.
    SmcStatus smcGetKeyInfo(uint32_t keyCode, SmcKeyInfo& info);
    // key: at least four characters are read unless a NUL ends it earlier.
    // value is zeroed first; a failed byte read leaves key, size and type.
    SmcStatus smcReadKeyCode(const char* key, SmcValue& value);
    SmcStatus smcReadKey(const char* key, SmcValue& value);
    // As smcReadKey, but the key information is asked of the SMC every time
    // and the cache is neither read nor filled.
    SmcStatus smcReadKeyUncached(const char* key, SmcValue& value);
    // Degrees Celsius of an "sp78" key; -1.0 when the read fails, the size is
    // 0 or the type is another.
    double smcGetTemperature(const char* key);

    // Entries in the key-info cache.
    int keyInfoCacheCount() const;

private:
    struct KeyInfoCacheEntry {
        uint32_t keyCode;
        SmcKeyInfo info;
    };

    SmcStatus readBytesInto(SmcKeyData& input, const SmcKeyInfo& info, SmcValue& value);

    platform::smc::SmcDriver& driver_;
    uint32_t connection_ = 0;
    std::array<KeyInfoCacheEntry, kSmcKeyInfoCacheCapacity> cache_{};
    int32_t cacheCount_ = 0;
};

// Writes the four bytes of code from the most significant down and a NUL;
// a zero byte in the code ends the text early. Pure; any thread.
void smcKeyCodeToString(uint32_t code, char out[5]);

// Big-endian fold of the first four characters of a key or type name; a
// shorter name is padded with zero bytes. Pure; any thread.
uint32_t smcKeyCodeFromString(const char* name);

}  // namespace vrl
