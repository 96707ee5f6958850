#include "sensor-service/server/DecisionAgent.h"

#include "platform/foundation/Bundle.h"
#include "platform/ipc/PeerProcess.h"
#include "sensor-service/server/Protocol.h"

namespace vrl {

using platform::ipc::FramedConnection;
using platform::ipc::SharedFrame;

DecisionAgent::DecisionAgent(VRLServerObject::Environment env) : env_(env) {}

bool DecisionAgent::startServer() {
    // The encoded reply only changes with the model data, so it is built once per refresh.
    VRLServerObject::Environment env = env_;
    env.refreshed = [this](const ModelData& modelData) {
        cachedReply_ =
            std::make_shared<const platform::ipc::Frame>(platform::ipc::framed(encodeModelDataReply(modelData)));
    };
    server_ = std::make_unique<VRLServerObject>(env);
    return true;
}

void DecisionAgent::resume(platform::ipc::UnixListener& listener) { acceptNext(listener); }

void DecisionAgent::acceptNext(platform::ipc::UnixListener& listener) {
    listener.acceptor().async_accept([this, &listener](std::error_code ec, Socket socket) {
        if (ec == asio::error::operation_aborted) return;
        if (!ec) admit(std::move(socket));
        acceptNext(listener);
    });
}

void DecisionAgent::admit(Socket socket) {
    // Refusal is silent: the socket closes as it goes out of scope.
    if (connections_.size() >= kMaxConnections || !listenerShouldAcceptNewConnection(socket)) return;
    auto connection = std::make_shared<FramedConnection>(
        std::move(socket), platform::ipc::ConnectionLimits{},
        [this](FramedConnection& c, const platform::ipc::Frame& payload) { return handleFrame(c, payload); },
        [this](FramedConnection& c) { connections_.erase(&c); });
    connections_.emplace(connection.get(), connection);
    connection->start();
}

bool DecisionAgent::listenerShouldAcceptNewConnection(Socket& socket) {
    const std::optional<std::filesystem::path> exe = platform::ipc::peerExecutable(socket.native_handle());
    if (!exe) return false;
    const std::optional<std::string> identifier =
        platform::foundation::Bundle::forExecutable(*exe).bundleIdentifier();
    return identifier && *identifier == kClientBundleIdentifier;
}

bool DecisionAgent::handleFrame(FramedConnection& connection, const platform::ipc::Frame& payload) {
    const Request request = decodeRequest(payload);
    if (!request.wellFormed) return false;
    if (request.method == kMethodGetModelData) {
        getModelDatawithReply([&connection](SharedFrame reply) { connection.send(std::move(reply)); });
    } else {
        connection.send(std::make_shared<const platform::ipc::Frame>(
            platform::ipc::framed(encodeError("unknown method: " + request.method.value_or("(none)")))));
    }
    return true;
}

void DecisionAgent::getModelDatawithReply(const Reply& reply) { reply(cachedReply_); }

}  // namespace vrl
