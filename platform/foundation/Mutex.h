#pragma once
// std::mutex and std::condition_variable as the thread-safety analysis sees
// them: a Mutex is a capability, a MutexLock holds it for a scope, and a
// CondVar waits with it held. Members name the mutex that guards them with
// GUARDED_BY and functions the mutex they need with REQUIRES.
#include <condition_variable>
#include <mutex>

#include "platform/foundation/ThreadAnnotations.h"

namespace platform {

class CAPABILITY("mutex") Mutex {
public:
    Mutex() = default;
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;

    void lock() ACQUIRE() { mutex_.lock(); }
    void unlock() RELEASE() { mutex_.unlock(); }

private:
    friend class CondVar;
    std::mutex mutex_;
};

// Holds the mutex from construction to destruction; unlock() and lock()
// give it up for a stretch in between.
class SCOPED_CAPABILITY MutexLock {
public:
    explicit MutexLock(Mutex& mutex) ACQUIRE(mutex) : mutex_(mutex) { mutex_.lock(); }
    ~MutexLock() RELEASE() {
        if (held_) mutex_.unlock();
    }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

    // Requires the lock held by this object.
    void unlock() RELEASE() {
        mutex_.unlock();
        held_ = false;
    }
    // Requires the lock given up by unlock().
    void lock() ACQUIRE() {
        mutex_.lock();
        held_ = true;
    }

private:
    Mutex& mutex_;
    bool held_ = true;
};

class CondVar {
public:
    // Gives the mutex up while asleep and holds it again on return, which
    // may be spurious: callers wait in a loop on their own condition.
    void wait(Mutex& mutex) REQUIRES(mutex) {
        std::unique_lock<std::mutex> lock(mutex.mutex_, std::adopt_lock);
        condition_.wait(lock);
        lock.release();
    }
    // Any thread.
    void notifyOne() { condition_.notify_one(); }
    void notifyAll() { condition_.notify_all(); }

private:
    std::condition_variable condition_;
};

}  // namespace platform
