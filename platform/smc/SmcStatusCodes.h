#pragma once
// The kern_return_t values an SMC user client answers with, so that callers
// see the same statuses from every driver.
#include "platform/smc/SmcDriver.h"

namespace platform::smc {

inline constexpr SmcStatus kSmcSuccess = 0;
inline constexpr SmcStatus kSmcError = static_cast<SmcStatus>(0xE00002BC);        // kIOReturnError
inline constexpr SmcStatus kSmcNotFound = static_cast<SmcStatus>(0xE00002F0);     // kIOReturnNotFound
inline constexpr SmcStatus kSmcNotOpen = static_cast<SmcStatus>(0xE00002CD);      // kIOReturnNotOpen
inline constexpr SmcStatus kSmcBadArgument = static_cast<SmcStatus>(0xE00002C2);  // kIOReturnBadArgument
inline constexpr SmcStatus kSmcNoDevice = static_cast<SmcStatus>(0xE00002C0);     // kIOReturnNoDevice

}  // namespace platform::smc
