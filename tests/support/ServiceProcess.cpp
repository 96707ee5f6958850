#include "tests/stress/ServiceProcess.h"

#include <csignal>
#include <fstream>
#include <iterator>
#include <sstream>
#include <grp.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "tests/stress/ServiceWire.h"

namespace vrl::stress {
namespace {

long statusField(pid_t pid, const std::string& field) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(field + ":", 0) == 0) return std::stol(line.substr(field.size() + 1));
    }
    return -1;
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

std::vector<char*> argvOf(std::vector<std::string>& words) {
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    return argv;
}

}  // namespace

ServiceProcess::ServiceProcess(std::filesystem::path executable, std::vector<std::string> arguments)
    : executable_(std::move(executable)), arguments_(std::move(arguments)) {}

ServiceProcess::~ServiceProcess() { stop(); }

bool ServiceProcess::start() {
    std::vector<std::string> words{executable_.string()};
    words.insert(words.end(), arguments_.begin(), arguments_.end());
    auto argv = argvOf(words);
    pid_ = ::fork();
    if (pid_ == 0) {
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    return pid_ > 0;
}

bool ServiceProcess::waitUntilServing(const std::string& socketPath, std::chrono::milliseconds timeout) {
    auto deadline = Clock::now() + timeout;
    while (Clock::now() < deadline) {
        if (!alive()) return false;
        if (fetchModel(socketPath, std::chrono::milliseconds(500))) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

bool ServiceProcess::alive() {
    if (pid_ <= 0 || exitStatus_) return false;
    int status = 0;
    pid_t r = ::waitpid(pid_, &status, WNOHANG);
    if (r == 0) return true;
    exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return false;
}

ProcessFigures ServiceProcess::figures() const {
    if (pid_ <= 0) return {};
    return {statusField(pid_, "VmRSS"), statusField(pid_, "RssAnon"), countFds(pid_), cpuSeconds(pid_)};
}

std::optional<int> ServiceProcess::stop() {
    if (!alive()) return exitStatus_;
    ::kill(pid_, SIGTERM);
    for (int i = 0; i < 50 && alive(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (alive()) {
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        exitStatus_.reset();
        pid_ = -1;
        return std::nullopt;
    }
    return exitStatus_;
}

std::optional<std::string> runAndCapture(const std::vector<std::string>& command, std::optional<uid_t> asUser) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return std::nullopt;
    std::vector<std::string> words = command;
    auto argv = argvOf(words);
    pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipeFds[1], STDOUT_FILENO);
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        if (asUser && (::setgroups(0, nullptr) != 0 || ::setgid(*asUser) != 0 || ::setuid(*asUser) != 0)) ::_exit(126);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    if (pid < 0) {
        ::close(pipeFds[0]);
        return std::nullopt;
    }
    std::string out;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0) out.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
    return out;
}

}  // namespace vrl::stress
