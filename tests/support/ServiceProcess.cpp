#include "tests/support/ServiceProcess.h"

#include <fcntl.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include "tests/support/ProcStatus.h"
#include "tests/support/ServiceWire.h"

namespace vrl::test {
namespace {

long statusOf(pid_t pid, std::string_view field) {
    return static_cast<long>(
        vrl::test::statusField("/proc/" + std::to_string(pid) + "/status", field).value_or(-1));
}

// Fields 14 and 15 of /proc/PID/stat, counted after the command name, which
// may hold spaces and parentheses itself.
double cpuSeconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(text.substr(close + 2));
    std::string skip;
    for (int field = 3; field < 14; ++field) fields >> skip;
    long user = 0, system = 0;
    if (!(fields >> user >> system)) return -1;
    return static_cast<double>(user + system) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

long countFds(pid_t pid) {
    std::error_code ec;
    long n = 0;
    for (std::filesystem::directory_iterator it("/proc/" + std::to_string(pid) + "/fd", ec), end; !ec && it != end;
         it.increment(ec))
        ++n;
    return ec ? -1 : n;
}

bool connectable(const std::filesystem::path& socket) {
    const int fd = connectTo(socket);
    closeFd(fd);
    return fd >= 0;
}

bool serving(const std::filesystem::path& socket) {
    return fetchModel(socket, std::chrono::milliseconds(500)).has_value();
}

}  // namespace

ServiceProcess::ServiceProcess(const std::vector<std::string>& argv, std::optional<std::filesystem::path> stderrFile)
    : stderrFile_(std::move(stderrFile)),
      process_([args = execArguments(argv), file = stderrFile_] {
          if (file) ::dup2(::open(file->c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644), STDERR_FILENO);
          ::execv(args[0], args.data());
          ::_exit(127);
      }) {}

bool ServiceProcess::waitForSocket(const std::filesystem::path& socket, std::chrono::milliseconds limit) {
    return waitFor(connectable, socket, limit);
}

bool ServiceProcess::waitUntilServing(const std::filesystem::path& socket, std::chrono::milliseconds limit) {
    return waitFor(serving, socket, limit);
}

bool ServiceProcess::waitFor(bool (*ready)(const std::filesystem::path&), const std::filesystem::path& socket,
                             std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (!alive()) return false;
        if (ready(socket)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

ProcessFigures ServiceProcess::figures() const {
    const pid_t pid = process_.pid();
    if (pid <= 0) return {};
    return {statusOf(pid, "VmRSS"), statusOf(pid, "RssAnon"), countFds(pid), cpuSeconds(pid)};
}

std::string ServiceProcess::standardError() const {
    if (!stderrFile_) return {};
    std::ifstream in(*stderrFile_);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace vrl::test
