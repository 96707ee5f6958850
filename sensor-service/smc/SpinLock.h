#pragma once
// The key-info cache's lock: a spin lock, as the cache only ever holds it for
// a scan of at most a hundred entries (and, on a miss, one SMC call). It is
// taken far more often than it is contended, and then costs one atomic
// exchange instead of a mutex's bookkeeping. Usable with std::lock_guard.
#include <atomic>
#include <thread>

namespace vrl {

class SpinLock {
public:
    void lock() {
        while (flag_.test_and_set(std::memory_order_acquire)) std::this_thread::yield();
    }
    void unlock() { flag_.clear(std::memory_order_release); }

private:
    std::atomic_flag flag_;
};

}  // namespace vrl
