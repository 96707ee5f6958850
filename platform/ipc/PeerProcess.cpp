#include "platform/ipc/PeerProcess.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <charconv>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/foundation/OwnedDescriptor.h"
#include "platform/foundation/SmallFile.h"

#ifndef SO_PEERPIDFD
#define SO_PEERPIDFD 77
#endif

namespace platform::ipc {

namespace {

using foundation::FileIdentity;

constexpr std::size_t kMaxFdinfoBytes = 4096;

// The "Pid:" line of the pidfd's fdinfo; -1 there once the process is gone.
std::optional<pid_t> pidOfPidfd(int pidfd) {
    const auto info = foundation::readSmallFile("/proc/self/fdinfo/" + std::to_string(pidfd), kMaxFdinfoBytes);
    if (!info) return std::nullopt;
    const std::string_view text = info->bytes;
    const std::size_t field = text.find("\nPid:");
    if (field == std::string_view::npos) return std::nullopt;
    std::size_t digits = text.find_first_not_of(" \t", field + 5);
    if (digits == std::string_view::npos) return std::nullopt;
    long pid = 0;
    const auto [end, error] = std::from_chars(text.data() + digits, text.data() + text.size(), pid);
    if (error != std::errc() || pid <= 0) return std::nullopt;
    return static_cast<pid_t>(pid);
}

// A pidfd polls readable once its process has exited. Unlike sending signal 0,
// this needs no permission over another user's process.
bool pidfdAlive(int pidfd) {
    pollfd p{pidfd, POLLIN, 0};
    return ::poll(&p, 1, 0) == 0;
}

std::optional<PeerExecutable> executableOf(pid_t pid) {
    const std::string link = "/proc/" + std::to_string(pid) + "/exe";
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink(link, ec);
    if (ec || exe.empty()) return std::nullopt;
    // A replaced or removed executable proves nothing about its bundle.
    if (exe.string().ends_with(" (deleted)")) return std::nullopt;
    const std::optional<FileIdentity> running = FileIdentity::ofPath(link);
    const std::optional<FileIdentity> atPath = FileIdentity::ofPath(exe);
    // Moved away since it was started (or seen from another mount namespace):
    // the path no longer says where the running program belongs.
    if (!running || !atPath || running->device != atPath->device || running->inode != atPath->inode)
        return std::nullopt;
    return PeerExecutable{std::move(exe), *running};
}

std::optional<ucred> peerCredentials(int socketFd) {
    ucred cred{};
    socklen_t len = sizeof cred;
    if (getsockopt(socketFd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0) return std::nullopt;
    return cred;
}

}  // namespace

std::optional<uid_t> peerUserId(int socketFd) {
    const std::optional<ucred> cred = peerCredentials(socketFd);
    if (!cred) return std::nullopt;
    return cred->uid;
}

std::optional<pid_t> peerProcessId(int socketFd) {
    const std::optional<ucred> cred = peerCredentials(socketFd);
    if (!cred || cred->pid <= 0) return std::nullopt;
    return cred->pid;
}

std::optional<PeerExecutable> peerExecutable(int socketFd) {
    try {
        int pidfd = -1;
        socklen_t len = sizeof pidfd;
        if (getsockopt(socketFd, SOL_SOCKET, SO_PEERPIDFD, &pidfd, &len) == 0 && pidfd >= 0) {
            // The pidfd pins the process, so a recycled pid cannot stand in for it:
            // what /proc said counts only if the process is still alive after.
            const foundation::OwnedDescriptor owned(pidfd);
            const std::optional<pid_t> pid = pidOfPidfd(owned.get());
            if (!pid) return std::nullopt;
            std::optional<PeerExecutable> exe = executableOf(*pid);
            if (!exe || !pidfdAlive(owned.get())) return std::nullopt;
            return exe;
        }
        const std::optional<pid_t> pid = peerProcessId(socketFd);
        if (!pid) return std::nullopt;
        return executableOf(*pid);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace platform::ipc
