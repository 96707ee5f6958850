#pragma once
// Counts the system calls a running process makes, all threads included,
// with strace attached for the duration of one object's life. Counts do not
// drift with the machine's load the way times do.
#include <sys/types.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace bench {

// What strace counted: every call, and each kind by its name; `failed` are
// the calls that returned an error (a read that found nothing, or a wait that
// strace interrupted as it attached).
struct SystemCalls {
    double total = 0;
    double failed = 0;
    std::map<std::string, double> byName;
};

class SystemCallCount {
public:
    // Attaches to every thread of pid; returns once all are traced.
    explicit SystemCallCount(pid_t pid);
    ~SystemCallCount();
    SystemCallCount(const SystemCallCount&) = delete;
    SystemCallCount& operator=(const SystemCallCount&) = delete;

    // Detaches and gives the calls made meanwhile; none when strace is missing
    // or could not attach.
    std::optional<SystemCalls> finish();

private:
    pid_t traced_;
    pid_t strace_ = -1;
    std::filesystem::path report_;
};

}  // namespace bench
