#pragma once
// Counts the system calls a running process makes, all threads included,
// with strace attached for the duration of one object's life. Counts do not
// drift with the machine's load the way times do.
#include <sys/types.h>

#include <filesystem>
#include <optional>

namespace bench {

class SystemCallCount {
public:
    // Attaches to every thread of pid; returns once all are traced.
    explicit SystemCallCount(pid_t pid);
    ~SystemCallCount();
    SystemCallCount(const SystemCallCount&) = delete;
    SystemCallCount& operator=(const SystemCallCount&) = delete;

    // Detaches and gives the number of calls made meanwhile; none when strace
    // is missing or could not attach.
    std::optional<double> finish();

private:
    pid_t traced_;
    pid_t strace_ = -1;
    std::filesystem::path report_;
};

}  // namespace bench
