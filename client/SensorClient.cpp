#include "client/SensorClient.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "client/ReplyDecoder.h"
#include "platform/ipc/EndpointPath.h"
#include "platform/ipc/WireProtocol.h"

namespace vrl::client {

namespace {

constexpr std::size_t kMaxReplyBytes = 64 * 1024 * 1024;

}  // namespace

std::optional<std::filesystem::path> SensorClient::defaultSocketPath(std::string& error) {
    platform::ipc::EndpointPath endpoint = platform::ipc::defaultEndpointPath(platform::ipc::kDefaultServiceIdentifier);
    error = endpoint.error;
    return endpoint.path;
}

SensorClient::SensorClient(std::filesystem::path socketPath, std::chrono::milliseconds timeout)
    : socketPath_(std::move(socketPath)), timeout_(timeout) {}

SensorClient::~SensorClient() { disconnect(); }

void SensorClient::disconnect() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    answeredBefore_ = false;
}

FetchResult SensorClient::failure(ClientError error, std::string message) {
    disconnect();
    return {std::nullopt, error, std::move(message)};
}

bool SensorClient::ensureConnected(FetchResult& failureResult) {
    if (fd_ >= 0) return true;
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string path = socketPath_.string();
    if (path.size() >= sizeof addr.sun_path) {
        failureResult = failure(ClientError::cannotConnect, "socket path too long: " + path);
        return false;
    }
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0 || ::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        failureResult = failure(ClientError::cannotConnect, "cannot connect to " + path + ": " + std::strerror(errno));
        return false;
    }
    return true;
}

bool SensorClient::sendAll(const std::vector<uint8_t>& bytes, FetchResult& failureResult) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            // A service that closed the connection at once has refused us.
            failureResult = answeredBefore_ ? failure(ClientError::cannotConnect, "the service closed the connection")
                                            : failure(ClientError::refused, "refused by the service");
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

bool SensorClient::receiveExactly(uint8_t* data, std::size_t size, bool firstByte, FetchResult& failureResult) {
    std::size_t received = 0;
    while (received < size) {
        pollfd pfd{fd_, POLLIN, 0};
        const int ready = ::poll(&pfd, 1, static_cast<int>(timeout_.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready == 0) {
            failureResult = failure(ClientError::timeout, "no reply from the service in time");
            return false;
        }
        const ssize_t n = ::recv(fd_, data + received, size - received, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const bool refused = firstByte && received == 0 && !answeredBefore_;
            failureResult = failure(refused ? ClientError::refused : ClientError::malformedReply,
                                    refused ? "refused by the service" : "the service closed the connection mid-reply");
            return false;
        }
        received += static_cast<std::size_t>(n);
    }
    return true;
}

FetchResult SensorClient::getModelData() {
    FetchResult result;
    if (!ensureConnected(result) || !sendAll(platform::ipc::getModelDataRequestFrame(), result)) return result;
    uint8_t header[4];
    if (!receiveExactly(header, sizeof header, true, result)) return result;
    const std::size_t length = (std::size_t{header[0]} << 24) | (std::size_t{header[1]} << 16) |
                               (std::size_t{header[2]} << 8) | std::size_t{header[3]};
    if (length > kMaxReplyBytes) return failure(ClientError::malformedReply, "reply frame too large");
    std::vector<uint8_t> payload(length);
    if (!receiveExactly(payload.data(), length, false, result)) return result;
    answeredBefore_ = true;
    DecodedReply decoded = decodeReply(payload);
    if (decoded.serviceError) return {std::nullopt, ClientError::serviceError, *decoded.serviceError};
    if (!decoded.modelData) return failure(ClientError::malformedReply, "malformed reply: " + decoded.malformed);
    return {std::move(decoded.modelData), ClientError::none, {}};
}

}  // namespace vrl::client
