#include "sensor-service/server/DecisionAgent.h"

#include "sensor-service/server/Protocol.h"

namespace vrl {

using platform::ipc::FramedConnection;
using platform::ipc::SharedFrame;

DecisionAgent::DecisionAgent(VRLServerObject::Environment env) : env_(env) {}

bool DecisionAgent::startServer() {
    server_ = std::make_unique<VRLServerObject>(env_);
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
    // Refusal is silent: the socket closes as its last owner lets go of it.
    // A connection being checked holds its place, so that the newest
    // connection is the one turned away, whatever order the verdicts come in.
    if (connections_.size() + beingChecked_ >= kMaxConnections) return;
    ++beingChecked_;
    auto waiting = std::make_shared<Socket>(std::move(socket));
    const int fd = waiting->native_handle();
    gate_.check(fd, [this, waiting](bool admitted) {
        --beingChecked_;
        if (admitted) serve(std::move(*waiting));
    });
}

void DecisionAgent::serve(Socket socket) {
    auto connection = std::make_shared<FramedConnection>(
        std::move(socket), platform::ipc::ConnectionLimits{},
        [this](FramedConnection& c, const platform::ipc::Frame& payload) { return handleFrame(c, payload); },
        [this](FramedConnection& c) { connections_.erase(&c); });
    connections_.emplace(connection.get(), connection);
    connection->start();
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

void DecisionAgent::getModelDatawithReply(const Reply& reply) {
    // The encoded reply only changes with the model data, so it is built once per change.
    if (!cachedReply_ || cachedGeneration_ != server_->modelGeneration()) {
        cachedReply_ =
            std::make_shared<const platform::ipc::Frame>(platform::ipc::framed(encodeModelDataReply(server_->modelData())));
        cachedGeneration_ = server_->modelGeneration();
    }
    reply(cachedReply_);
}

}  // namespace vrl
