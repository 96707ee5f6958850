#pragma once
// The user-client connections a driver has handed out, as IOKit keeps them:
// each open gets a new non-zero handle, which stays valid until its close.
// Not locked: the owning driver guards it with its own lock.
#include <cstdint>
#include <set>

namespace platform::smc {

class ConnectionHandles {
public:
    // A new handle, open from now on. May throw std::bad_alloc.
    uint32_t open() {
        handles_.insert(next_);
        return next_++;
    }
    // False when handle was not open.
    bool close(uint32_t handle) { return handles_.erase(handle) != 0; }
    bool isOpen(uint32_t handle) const { return handles_.count(handle) != 0; }

private:
    std::set<uint32_t> handles_;
    uint32_t next_ = 1;
};

}  // namespace platform::smc
