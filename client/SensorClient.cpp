#include "client/SensorClient.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "client/ReplyDecoder.h"
#include "platform/foundation/Result.h"
#include "platform/ipc/EndpointPath.h"
#include "platform/ipc/WireProtocol.h"

namespace vrl::client {

namespace {

constexpr std::size_t kMaxReplyBytes = 64 * 1024 * 1024;

// What the gate wants, so that a refused user knows what to change.
std::string refusalMessage() {
    return std::string("refused by the sensor service: it serves only a program inside an application bundle "
                       "(X.app/Contents/MacOS/) whose Info.plist says CFBundleIdentifier ") +
           kAdmittedBundleIdentifier;
}

// A Unix stream socket connected to path; the caller owns it.
platform::Result<int> connectedSocket(const std::filesystem::path& path) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string text = path.string();
    if (text.size() >= sizeof addr.sun_path) return platform::fail(text + ": socket path too long");
    std::memcpy(addr.sun_path, text.c_str(), text.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) return fd;
    const int error = errno;
    if (fd >= 0) ::close(fd);
    return platform::failErrno(text, error);
}

}  // namespace

std::vector<std::filesystem::path> SensorClient::defaultSocketPaths() {
    return platform::ipc::clientEndpointPaths(platform::ipc::kDefaultServiceIdentifier);
}

SensorClient::SensorClient(std::filesystem::path socketPath, std::chrono::milliseconds timeout)
    : SensorClient(std::vector<std::filesystem::path>{std::move(socketPath)}, timeout) {}

SensorClient::SensorClient(std::vector<std::filesystem::path> socketPaths, std::chrono::milliseconds timeout)
    : socketPaths_(std::move(socketPaths)), timeout_(timeout) {}

SensorClient::~SensorClient() { disconnect(); }

void SensorClient::disconnect() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    answeredBefore_ = false;
}

tl::unexpected<FetchFailure> SensorClient::failure(ClientError kind, std::string message) {
    disconnect();
    return tl::unexpected(FetchFailure{kind, platform::Error{std::move(message)}});
}

tl::unexpected<FetchFailure> SensorClient::refusal() { return failure(ClientError::refused, refusalMessage()); }

SensorClient::Step SensorClient::ensureConnected() {
    if (fd_ >= 0) return {};
    std::string tried;
    for (const std::filesystem::path& path : socketPaths_) {
        const platform::Result<int> connected = connectedSocket(path);
        if (connected) {
            fd_ = *connected;
            return {};
        }
        tried += (tried.empty() ? "" : "; ") + connected.error().message;
    }
    const bool systemServiceTried =
        std::find(socketPaths_.begin(), socketPaths_.end(),
                  platform::ipc::systemEndpointPath(platform::ipc::kDefaultServiceIdentifier)) != socketPaths_.end();
    const std::string hint =
        systemServiceTried ? " (is vrlsensord.socket active? see: systemctl status vrlsensord.socket)" : "";
    return failure(ClientError::cannotConnect, "cannot reach the sensor service at " + tried + hint);
}

SensorClient::Step SensorClient::sendAll(const std::vector<uint8_t>& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            // A service that closed the connection at once has refused us.
            if (answeredBefore_) return failure(ClientError::cannotConnect, "the service closed the connection");
            return refusal();
        }
        sent += static_cast<std::size_t>(n);
    }
    return {};
}

SensorClient::Step SensorClient::receiveExactly(uint8_t* data, std::size_t size, bool firstByte) {
    std::size_t received = 0;
    while (received < size) {
        pollfd pfd{fd_, POLLIN, 0};
        const int ready = ::poll(&pfd, 1, static_cast<int>(timeout_.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready == 0) return failure(ClientError::timeout, "no reply from the service in time");
        const ssize_t n = ::recv(fd_, data + received, size - received, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (firstByte && received == 0 && !answeredBefore_) return refusal();
            return failure(ClientError::malformedReply, "the service closed the connection mid-reply");
        }
        received += static_cast<std::size_t>(n);
    }
    return {};
}

FetchResult SensorClient::getModelData() {
    uint8_t header[4];
    const Step asked = ensureConnected()
                           .and_then([&] { return sendAll(platform::ipc::getModelDataRequestFrame()); })
                           .and_then([&] { return receiveExactly(header, sizeof header, true); });
    if (!asked) return tl::unexpected(asked.error());
    const std::size_t length = (std::size_t{header[0]} << 24) | (std::size_t{header[1]} << 16) |
                               (std::size_t{header[2]} << 8) | std::size_t{header[3]};
    if (length > kMaxReplyBytes) return failure(ClientError::malformedReply, "reply frame too large");
    std::vector<uint8_t> payload(length);
    if (const Step received = receiveExactly(payload.data(), length, false); !received)
        return tl::unexpected(received.error());
    answeredBefore_ = true;
    FetchResult decoded = decodeReply(payload);
    // The service's own error leaves the connection in step; a malformed reply does not.
    if (!decoded && decoded.error().kind == ClientError::malformedReply) disconnect();
    return decoded;
}

}  // namespace vrl::client
