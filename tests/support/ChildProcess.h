#pragma once
// Child processes for tests and benchmarks, always stopped by their own pid.
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vrl::test {

// A forked child. Any thread of the parent may own it, one at a time.
class ChildProcess {
public:
    // Runs `run` in the child, which exits with status 0 when it returns;
    // when the fork fails pid() is -1 and nothing runs. `run` must only do
    // what is safe after a fork of a threaded process (no locks, no new threads)
    // unless it ends with exec or the parent has no threads.
    explicit ChildProcess(const std::function<void()>& run);
    // Stops it, as stop() does.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    // False once it has ended; reaps it then.
    bool alive();
    // SIGTERM, then SIGKILL if it still runs after `grace`. The exit status,
    // 128 + the signal when a signal ended it, none when it had to be killed.
    std::optional<int> stop(std::chrono::milliseconds grace = std::chrono::seconds(5));

private:
    pid_t pid_ = -1;
    std::optional<int> exitStatus_;
};

// Runs a program to its end, as user asUser when given (which takes root);
// gives its exit status (as stop() does) and standard output.
struct RunResult {
    int status = -1;
    std::string output;
};
RunResult runProgram(const std::vector<std::string>& argv, std::optional<uid_t> asUser = std::nullopt);

// argv as execv wants it; the strings must outlive the result.
std::vector<char*> execArguments(const std::vector<std::string>& argv);

}  // namespace vrl::test
