#pragma once
// The listener's delegate: it creates the server object, admits only the main
// application, and answers its requests. Everything runs on the main
// io_context, so a request never sees an entry that a refresh is writing.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>

#include <asio/io_context.hpp>
#include <asio/local/stream_protocol.hpp>

#include "platform/ipc/FramedConnection.h"
#include "platform/ipc/UnixListener.h"
#include "sensor-service/server/VRLServerObject.h"

namespace vrl {

inline constexpr const char* kClientBundleIdentifier = "com.quenmoor.vorrel";
inline constexpr std::size_t kMaxConnections = 256;

class DecisionAgent {
public:
    using Socket = asio::local::stream_protocol::socket;
    using Reply = std::function<void(platform::ipc::SharedFrame)>;

    explicit DecisionAgent(VRLServerObject::Environment env);

    // Creates the one server object (discovery, first refresh, timer). Always true.
    bool startServer();
    // Starts taking connections on the listener, which must outlive the agent's use of it.
    void resume(platform::ipc::UnixListener& listener);

    bool listenerShouldAcceptNewConnection(Socket& socket);
    void getModelDatawithReply(const Reply& reply);

    std::size_t connectionCount() const { return connections_.size(); }
    // The one server object, once startServer has created it.
    VRLServerObject& serverObject() { return *server_; }

private:
    void acceptNext(platform::ipc::UnixListener& listener);
    void admit(Socket socket);
    bool handleFrame(platform::ipc::FramedConnection& connection, const platform::ipc::Frame& payload);

    VRLServerObject::Environment env_;
    std::unique_ptr<VRLServerObject> server_;
    std::map<platform::ipc::FramedConnection*, std::shared_ptr<platform::ipc::FramedConnection>> connections_;
    platform::ipc::SharedFrame cachedReply_;
};

}  // namespace vrl
