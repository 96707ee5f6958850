#pragma once
// What IOServiceOpen, IOServiceClose and IOConnectCallStructMethod do on a Mac:
// the only operations the SMC layer needs of the operating system. A macOS
// IOKit driver would be a third implementation beside the simulated and the
// applesmc ones.
//
// Contract of every implementation: calls may come from any thread and are
// serialised inside; a failure is a non-zero status, never an exception.
#include <cstdint>

#include "platform/smc/SmcKeyData.h"

namespace platform::smc {

using SmcStatus = int32_t;  // 0 is success, as kern_return_t

class SmcDriver {
public:
    virtual ~SmcDriver() = default;
    // Opens a user-client connection and stores its handle; non-zero on failure.
    virtual SmcStatus open(uint32_t& handle) = 0;
    virtual SmcStatus close(uint32_t handle) = 0;
    // One exchange of an 80-byte record on an open connection.
    virtual SmcStatus callStructMethod(uint32_t handle, uint32_t selector,
                                       const SmcKeyData& input, SmcKeyData& output) = 0;
};

}  // namespace platform::smc
