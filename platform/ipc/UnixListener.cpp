#include "platform/ipc/UnixListener.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <systemd/sd-daemon.h>

#include <system_error>

namespace platform::ipc {

namespace {

std::string boundPath(int fd) {
    sockaddr_un addr{};
    socklen_t len = sizeof addr;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0 || addr.sun_path[0] == '\0') {
        return "fd:" + std::to_string(fd);
    }
    return addr.sun_path;
}

// Only a stale socket file is replaced; anything else at the path stays.
Result<> removeStaleSocket(const std::filesystem::path& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) return {};
    if (!S_ISSOCK(st.st_mode)) return fail(path.string() + " exists and is not a socket");
    asio::io_context probeIo;
    asio::local::stream_protocol::socket probe(probeIo);
    std::error_code ec;
    probe.connect(asio::local::stream_protocol::endpoint(path.string()), ec);
    if (!ec) return fail("another service is listening on " + path.string());
    std::filesystem::remove(path, ec);
    return {};
}

}  // namespace

UnixListener::UnixListener(Acceptor acceptor, std::string description, std::filesystem::path ownedFile)
    : acceptor_(std::move(acceptor)), description_(std::move(description)), ownedFile_(std::move(ownedFile)) {}

UnixListener::~UnixListener() {
    std::error_code ec;
    acceptor_.close(ec);
    if (!ownedFile_.empty()) std::filesystem::remove(ownedFile_, ec);
}

Result<std::unique_ptr<UnixListener>> UnixListener::fromActivation(asio::io_context& io) {
    const int count = sd_listen_fds(1);
    if (count <= 0) return nullptr;
    const int fd = SD_LISTEN_FDS_START;
    if (count != 1 || sd_is_socket_unix(fd, SOCK_STREAM, 1, nullptr, 0) <= 0)
        return fail("socket activation must pass exactly one listening Unix stream socket");
    std::error_code ec;
    Acceptor acceptor(io);
    acceptor.assign(asio::local::stream_protocol(), fd, ec);
    if (ec) return failErrno("cannot take the activated socket", ec.value());
    return std::unique_ptr<UnixListener>(new UnixListener(std::move(acceptor), boundPath(fd), {}));
}

Result<std::unique_ptr<UnixListener>> UnixListener::bindTo(asio::io_context& io, const std::filesystem::path& path) {
    if (Result<> removed = removeStaleSocket(path); !removed) return tl::unexpected(removed.error());
    std::error_code ec;
    Acceptor acceptor(io);
    const asio::local::stream_protocol::endpoint endpoint(path.string());
    acceptor.open(endpoint.protocol(), ec);
    if (!ec) acceptor.bind(endpoint, ec);
    if (ec) return failErrno("cannot bind " + path.string(), ec.value());
    // Anyone may connect; the gate decides who is served.
    chmod(path.c_str(), 0666);
    acceptor.listen(asio::socket_base::max_listen_connections, ec);
    if (ec) {
        const int errnum = ec.value();
        std::filesystem::remove(path, ec);
        return failErrno("cannot listen on " + path.string(), errnum);
    }
    return std::unique_ptr<UnixListener>(new UnixListener(std::move(acceptor), path.string(), path));
}

}  // namespace platform::ipc
