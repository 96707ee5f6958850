#pragma once
// A vrlsensord (or anything that serves its socket) started for a test or a
// benchmark, watched through /proc and always stopped by its own process id.
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/ChildProcess.h"

namespace vrl::test {

struct ProcessFigures {
    long vmRssKb = -1;
    long rssAnonKb = -1;
    long openFds = -1;
    double cpuSeconds = -1;  // user and system time so far
};

// One thread at a time.
class ServiceProcess {
public:
    // Starts argv (argv[0] is the program's path) at once. Its standard error
    // goes to `stderrFile` when one is given, else stays the caller's.
    explicit ServiceProcess(const std::vector<std::string>& argv,
                            std::optional<std::filesystem::path> stderrFile = std::nullopt);

    // True once the socket accepts a connection; false when the process ends
    // or the time runs out first.
    bool waitForSocket(const std::filesystem::path& socket,
                       std::chrono::milliseconds limit = std::chrono::seconds(10));
    // True once the socket answers a request with a reply.
    bool waitUntilServing(const std::filesystem::path& socket, std::chrono::milliseconds limit);
    bool alive() { return process_.alive(); }
    ProcessFigures figures() const;
    // As ChildProcess::stop.
    std::optional<int> stop() { return process_.stop(); }
    // What it wrote to the standard error file so far.
    std::string standardError() const;

private:
    bool waitFor(bool (*ready)(const std::filesystem::path&), const std::filesystem::path& socket,
                 std::chrono::milliseconds limit);

    std::optional<std::filesystem::path> stderrFile_;
    ChildProcess process_;
};

}  // namespace vrl::test
