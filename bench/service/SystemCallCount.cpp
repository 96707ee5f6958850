#include "bench/service/SystemCallCount.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace bench {
namespace {

bool everyThreadTraced(pid_t pid) {
    std::error_code ec;
    for (const auto& task : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec)) {
        std::ifstream status(task.path() / "status");
        std::string line;
        while (std::getline(status, line)) {
            if (line.starts_with("TracerPid:") && std::stol(line.substr(10)) == 0) return false;
        }
    }
    return !ec;
}

// strace's table: "% time, seconds, usecs/call, calls, [errors,] syscall" a
// row, the errors column empty where there were none, closed by "total".
std::optional<SystemCalls> tableOf(const std::filesystem::path& report) {
    std::ifstream in(report);
    SystemCalls calls;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::vector<std::string> words{std::istream_iterator<std::string>(fields), {}};
        if ((words.size() != 5 && words.size() != 6) || words[0].find_first_not_of("0123456789.") != std::string::npos) {
            continue;
        }
        const double count = std::stod(words[3]);
        const double failed = words.size() == 6 ? std::stod(words[4]) : 0;
        if (words.back() == "total") {
            calls.total = count;
            calls.failed = failed;
            return calls;
        }
        calls.byName[words.back()] = count;
    }
    return std::nullopt;
}

}  // namespace

SystemCallCount::SystemCallCount(pid_t pid)
    : traced_(pid), report_(std::filesystem::temp_directory_path() / ("vrl-strace-" + std::to_string(pid))) {
    strace_ = fork();
    if (strace_ == 0) {
        const std::string target = std::to_string(pid);
        execlp("strace", "strace", "-q", "-f", "-c", "-o", report_.c_str(), "-p", target.c_str(), nullptr);
        _exit(127);
    }
    for (int i = 0; i < 500 && !everyThreadTraced(traced_); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

SystemCallCount::~SystemCallCount() { finish(); }

std::optional<SystemCalls> SystemCallCount::finish() {
    if (strace_ <= 0) return std::nullopt;
    kill(strace_, SIGINT);
    int status = 0;
    waitpid(strace_, &status, 0);
    strace_ = -1;
    std::optional<SystemCalls> calls = tableOf(report_);
    std::filesystem::remove(report_);
    return calls;
}

}  // namespace bench
