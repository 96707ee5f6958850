#pragma once
// The listener's delegate: it creates the server object, admits only the main
// application (its ClientGate decides on worker threads), and answers its
// requests. Everything else runs on the main io_context, so a request never
// sees an entry that a refresh is writing.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>

#include <asio/io_context.hpp>
#include <asio/local/stream_protocol.hpp>

#include "platform/ipc/FramedConnection.h"
#include "platform/ipc/UnixListener.h"
#include "sensor-service/server/ClientGate.h"
#include "sensor-service/server/VRLServerObject.h"

namespace vrl {

inline constexpr std::size_t kMaxConnections = 256;

class DecisionAgent {
public:
    using Socket = asio::local::stream_protocol::socket;
    using Reply = std::function<void(platform::ipc::SharedFrame)>;

    // All members: the thread that runs env.io only. Starts the gate's workers.
    explicit DecisionAgent(VRLServerObject::Environment env);

    // Creates the one server object (discovery, first refresh, timer). Always true.
    bool startServer();
    // Starts taking connections on the listener, which must outlive the agent's use of it.
    // A connection is served once the gate admits it; refused ones are closed silently.
    void resume(platform::ipc::UnixListener& listener);

    // Requires startServer. Calls reply once, at once, with the encoded model data.
    void getModelDatawithReply(const Reply& reply);

    std::size_t connectionCount() const { return connections_.size(); }
    // The one server object, once startServer has created it.
    VRLServerObject& serverObject() { return *server_; }

private:
    void acceptNext(platform::ipc::UnixListener& listener);
    void admit(Socket socket);
    void serve(Socket socket);
    bool handleFrame(platform::ipc::FramedConnection& connection, const platform::ipc::Frame& payload);

    VRLServerObject::Environment env_;
    std::unique_ptr<VRLServerObject> server_;
    std::map<platform::ipc::FramedConnection*, std::shared_ptr<platform::ipc::FramedConnection>> connections_;
    platform::ipc::SharedFrame cachedReply_;
    uint64_t cachedGeneration_ = 0;
    std::size_t beingChecked_ = 0;
    // Last, so that it goes first: its verdicts refer to this agent.
    ClientGate gate_{env_.io};
};

}  // namespace vrl
