#pragma once
// The 80-byte record exchanged with the SMC user client, byte for byte as the
// kernel expects it (native, little-endian byte order for the 32-bit fields).
#include <cstddef>
#include <cstdint>

namespace platform::smc {

enum SmcCommand : uint8_t {
    kSmcCmdReadBytes = 5,
    kSmcCmdReadIndex = 8,
    kSmcCmdReadKeyInfo = 9,
};

inline constexpr uint32_t kSmcSelector = 2;  // struct-method selector of every call

struct SmcKeyData {
    uint32_t key;             // key code (commands 9 and 5; reply of command 8)
    uint8_t reserved[24];
    uint32_t dataSize;        // command 5 input; command 9 reply
    uint32_t dataType;        // command 9 reply
    uint8_t dataAttributes;   // command 9 reply
    uint8_t padding1[3];
    uint16_t reserved2;
    uint8_t command;          // SmcCommand
    uint8_t padding2;
    uint32_t index;           // command 8 input
    uint8_t bytes[32];        // command 5 reply
};

static_assert(sizeof(SmcKeyData) == 80);
static_assert(offsetof(SmcKeyData, key) == 0);
static_assert(offsetof(SmcKeyData, reserved) == 4);
static_assert(offsetof(SmcKeyData, dataSize) == 28);
static_assert(offsetof(SmcKeyData, dataType) == 32);
static_assert(offsetof(SmcKeyData, dataAttributes) == 36);
static_assert(offsetof(SmcKeyData, padding1) == 37);
static_assert(offsetof(SmcKeyData, reserved2) == 40);
static_assert(offsetof(SmcKeyData, command) == 42);
static_assert(offsetof(SmcKeyData, padding2) == 43);
static_assert(offsetof(SmcKeyData, index) == 44);
static_assert(offsetof(SmcKeyData, bytes) == 48);

}  // namespace platform::smc
