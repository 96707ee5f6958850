#pragma once
// A vrlsensord started for a test on a private socket and a simulated image,
// watched through /proc and always stopped by its own process id.
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace vrl::stress {

struct ProcessFigures {
    long vmRssKb = -1;
    long rssAnonKb = -1;
    long openFds = -1;
    double cpuSeconds = -1;  // user and system time so far
};

class ServiceProcess {
public:
    ServiceProcess(std::filesystem::path executable, std::vector<std::string> arguments);
    ~ServiceProcess();
    ServiceProcess(const ServiceProcess&) = delete;
    ServiceProcess& operator=(const ServiceProcess&) = delete;

    bool start();
    // True once the socket answers a request with a reply.
    bool waitUntilServing(const std::string& socketPath, std::chrono::milliseconds timeout);
    bool alive();
    ProcessFigures figures() const;
    // SIGTERM, then SIGKILL if it lingers; the exit status, or none if killed.
    std::optional<int> stop();
    pid_t pid() const { return pid_; }

private:
    std::filesystem::path executable_;
    std::vector<std::string> arguments_;
    pid_t pid_ = -1;
    std::optional<int> exitStatus_;
};

// Runs a command to its end, as asUser when given (which takes root), and
// returns its standard output; none when it fails.
std::optional<std::string> runAndCapture(const std::vector<std::string>& command,
                                         std::optional<uid_t> asUser = std::nullopt);

}  // namespace vrl::stress
