#include "bench/service/EpollFloor.h"

#include <signal.h>
#include <sys/epoll.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <map>

namespace bench {
namespace {

int listenOn(const std::filesystem::path& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 64) != 0) return -1;
    return fd;
}

int termSignalFd() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigprocmask(SIG_BLOCK, &set, nullptr);
    return signalfd(-1, &set, SFD_CLOEXEC);
}

// Reads what has arrived and answers each whole request in it; false at the end.
bool serve(int fd, std::vector<uint8_t>& pending, const std::vector<uint8_t>& reply) {
    uint8_t buffer[4096];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0) return false;
    pending.insert(pending.end(), buffer, buffer + n);
    std::size_t used = 0;
    while (pending.size() - used >= 4) {
        const std::size_t length = (std::size_t{pending[used]} << 24) | (std::size_t{pending[used + 1]} << 16) |
                                   (std::size_t{pending[used + 2]} << 8) | pending[used + 3];
        if (pending.size() - used < 4 + length) break;
        if (::write(fd, reply.data(), reply.size()) != static_cast<ssize_t>(reply.size())) return false;
        used += 4 + length;
    }
    pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(used));
    return true;
}

}  // namespace

void runEpollFloor(const std::filesystem::path& socketPath, const std::vector<uint8_t>& reply) {
    const int listener = listenOn(socketPath);
    const int term = termSignalFd();
    const int epoll = epoll_create1(EPOLL_CLOEXEC);
    if (listener < 0 || term < 0 || epoll < 0) return;
    for (int fd : {listener, term}) {
        epoll_event event{EPOLLIN, {.fd = fd}};
        epoll_ctl(epoll, EPOLL_CTL_ADD, fd, &event);
    }
    std::map<int, std::vector<uint8_t>> pending;
    for (;;) {
        epoll_event events[64];
        const int ready = epoll_wait(epoll, events, 64, -1);
        for (int i = 0; i < ready; ++i) {
            const int fd = events[i].data.fd;
            if (fd == term) return;
            if (fd == listener) {
                const int client = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
                epoll_event event{EPOLLIN, {.fd = client}};
                if (client >= 0) epoll_ctl(epoll, EPOLL_CTL_ADD, client, &event);
            } else if (!serve(fd, pending[fd], reply)) {
                pending.erase(fd);
                ::close(fd);
            }
        }
    }
}

}  // namespace bench
