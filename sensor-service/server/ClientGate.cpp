#include "sensor-service/server/ClientGate.h"

#include <asio/post.hpp>

#include "platform/foundation/Bundle.h"
#include "platform/ipc/PeerProcess.h"

namespace vrl {

void ClientGate::check(int socketFd, std::function<void(bool admitted)> verdict) {
    const bool admitted = listenerShouldAcceptNewConnection(socketFd);
    asio::post(io_, [verdict = std::move(verdict), admitted] { verdict(admitted); });
}

bool ClientGate::listenerShouldAcceptNewConnection(int socketFd) {
    const std::optional<std::filesystem::path> exe = platform::ipc::peerExecutable(socketFd);
    if (!exe) return false;
    const std::optional<std::string> identifier = platform::foundation::Bundle::forExecutable(*exe).bundleIdentifier();
    return identifier && *identifier == kClientBundleIdentifier;
}

}  // namespace vrl
