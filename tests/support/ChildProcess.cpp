#include "tests/service/ServiceProcess.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

namespace vrl::test {

namespace {

std::vector<char*> cArgs(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    return args;
}

bool connectable(const std::filesystem::path& socketPath) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, socketPath.c_str(), sizeof addr.sun_path - 1);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

int statusOf(int raw) { return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1; }

}  // namespace

ServiceProcess::ServiceProcess(const std::vector<std::string>& argv, const std::filesystem::path& dir)
    : stderrFile_(dir / "service.stderr") {
    std::vector<char*> args = cArgs(argv);
    pid_ = fork();
    if (pid_ == 0) {
        const int fd = ::open(stderrFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, STDERR_FILENO);
        execv(args[0], args.data());
        _exit(127);
    }
}

ServiceProcess::~ServiceProcess() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
}

bool ServiceProcess::waitForSocket(const std::filesystem::path& socket, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (connectable(socket)) return true;
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

int ServiceProcess::terminate() {
    if (pid_ <= 0) return -1;
    kill(pid_, SIGTERM);
    int raw = 0;
    waitpid(pid_, &raw, 0);
    pid_ = -1;
    return statusOf(raw);
}

std::string ServiceProcess::standardError() const {
    std::ifstream in(stderrFile_);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

RunResult runProgram(const std::vector<std::string>& argv) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return {};
    std::vector<char*> args = cArgs(argv);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeFds[1], STDOUT_FILENO);
        ::close(pipeFds[0]);
        execv(args[0], args.data());
        _exit(127);
    }
    ::close(pipeFds[1]);
    RunResult result;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0) result.output.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeFds[0]);
    int raw = 0;
    waitpid(pid, &raw, 0);
    result.status = statusOf(raw);
    return result;
}

}  // namespace vrl::test
