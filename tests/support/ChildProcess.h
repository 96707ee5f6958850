#pragma once
// Runs a real vrlsensord for a test and always stops it by its pid.
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace vrl::test {

class ServiceProcess {
public:
    // argv[0] is the program; standard error goes to a file in dir.
    ServiceProcess(const std::vector<std::string>& argv, const std::filesystem::path& dir);
    ~ServiceProcess();
    ServiceProcess(const ServiceProcess&) = delete;
    ServiceProcess& operator=(const ServiceProcess&) = delete;

    // Waits until the socket accepts connections.
    bool waitForSocket(const std::filesystem::path& socket, std::chrono::milliseconds limit = std::chrono::seconds(10));
    // Sends SIGTERM and gives the exit status (-1 when killed by a signal).
    int terminate();
    std::string standardError() const;

private:
    pid_t pid_ = -1;
    std::filesystem::path stderrFile_;
};

// Runs a program to its end; gives its exit status and standard output.
struct RunResult {
    int status = -1;
    std::string output;
};
RunResult runProgram(const std::vector<std::string>& argv);

}  // namespace vrl::test
