#include "tests/support/ChildProcess.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <thread>

namespace vrl::test {
namespace {

int statusOf(int raw) { return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw); }

}  // namespace

std::vector<char*> execArguments(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    return args;
}

ChildProcess::ChildProcess(const std::function<void()>& run) : pid_(::fork()) {
    if (pid_ != 0) return;
    run();
    ::_exit(0);
}

ChildProcess::~ChildProcess() { stop(); }

bool ChildProcess::alive() {
    if (pid_ <= 0 || exitStatus_) return false;
    int raw = 0;
    if (::waitpid(pid_, &raw, WNOHANG) == 0) return true;
    exitStatus_ = statusOf(raw);
    return false;
}

std::optional<int> ChildProcess::stop(std::chrono::milliseconds grace) {
    if (!alive()) return exitStatus_;
    ::kill(pid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + grace;
    while (alive() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!alive()) return exitStatus_;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
    return std::nullopt;
}

RunResult runProgram(const std::vector<std::string>& argv, std::optional<uid_t> asUser) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return {};
    std::vector<char*> args = execArguments(argv);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipeFds[1], STDOUT_FILENO);
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        if (asUser && (::setgroups(0, nullptr) != 0 || ::setgid(*asUser) != 0 || ::setuid(*asUser) != 0)) ::_exit(126);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    RunResult result;
    if (pid < 0) {
        ::close(pipeFds[0]);
        return result;
    }
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0) result.output.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeFds[0]);
    int raw = 0;
    ::waitpid(pid, &raw, 0);
    result.status = statusOf(raw);
    return result;
}

}  // namespace vrl::test
