#include "platform/ipc/PeerProcess.h"

#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <string>
#include <system_error>

#ifndef SO_PEERPIDFD
#define SO_PEERPIDFD 77
#endif

namespace platform::ipc {

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

std::optional<pid_t> pidOfPidfd(int pidfd) {
    std::ifstream info("/proc/self/fdinfo/" + std::to_string(pidfd));
    std::string field;
    while (info >> field) {
        if (field == "Pid:") {
            long pid = 0;
            info >> pid;
            if (pid > 0) return static_cast<pid_t>(pid);
            return std::nullopt;
        }
    }
    return std::nullopt;
}

bool pidfdAlive(int pidfd) { return syscall(SYS_pidfd_send_signal, pidfd, 0, nullptr, 0) == 0; }

std::optional<std::filesystem::path> executableOf(pid_t pid) {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/exe", ec);
    if (ec || exe.empty()) return std::nullopt;
    // A replaced or removed executable proves nothing about its bundle.
    if (exe.string().ends_with(" (deleted)")) return std::nullopt;
    std::filesystem::path resolved = std::filesystem::canonical(exe, ec);
    if (ec) return std::nullopt;
    return resolved;
}

std::optional<pid_t> peerCredPid(int socketFd) {
    ucred cred{};
    socklen_t len = sizeof cred;
    if (getsockopt(socketFd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 || cred.pid <= 0) return std::nullopt;
    return cred.pid;
}

}  // namespace

std::optional<std::filesystem::path> peerExecutable(int socketFd) {
    int pidfd = -1;
    socklen_t len = sizeof pidfd;
    if (getsockopt(socketFd, SOL_SOCKET, SO_PEERPIDFD, &pidfd, &len) == 0 && pidfd >= 0) {
        // The pidfd pins the process, so a recycled pid cannot stand in for it.
        FileDescriptor owned(pidfd);
        const std::optional<pid_t> pid = pidOfPidfd(owned.get());
        if (!pid) return std::nullopt;
        std::optional<std::filesystem::path> exe = executableOf(*pid);
        if (!exe || !pidfdAlive(owned.get())) return std::nullopt;
        return exe;
    }
    const std::optional<pid_t> pid = peerCredPid(socketFd);
    if (!pid) return std::nullopt;
    return executableOf(*pid);
}

}  // namespace platform::ipc
