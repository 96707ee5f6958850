#pragma once
// The listener's delegate and the exported object of every admitted
// connection. It is assembled like a small server: the SMC thread owning the
// server object, the acceptor with its client gate, the connection manager and
// the request handler, which always holds the latest published reply. Here the
// gate gets its real Info.plist parser.
#include <memory>

#include <asio/io_context.hpp>

#include "platform/ipc/UnixListener.h"
#include "sensor-service/machine/SensorMachine.h"
#include "sensor-service/server/transport/Acceptor.h"
#include "sensor-service/server/transport/ConnectionManager.h"
#include "sensor-service/server/protocol/RequestHandler.h"
#include "sensor-service/server/polling/SmcThread.h"

namespace vrl {

class DecisionAgent {
public:
    // io is the serving loop. Requires io and machine to outlive the agent.
    // Serving thread.
    DecisionAgent(asio::io_context& io, const SensorMachine& machine);
    ~DecisionAgent();
    DecisionAgent(const DecisionAgent&) = delete;
    DecisionAgent& operator=(const DecisionAgent&) = delete;

    // Creates the one server object on the SMC thread and returns once
    // discovery and the first refresh are done. Call once.
    void startServer();
    // Starts admitting connections on listener, which must outlive the agent.
    // Requires startServer().
    void resume(platform::ipc::UnixListener& listener);
    // Stops accepting, closes every connection and ends the SMC thread.
    // Serving thread; the loop then has nothing left of the agent's to run.
    void stop();

    // Serving thread: the latest published model data reply, at once.
    platform::ipc::SharedFrame getModelDatawithReply() const;

    // The thread that owns the server object, to run tasks on it.
    SmcThread& smcThread() { return smcThread_; }

private:
    asio::io_context& io_;
    RequestHandler requestHandler_;
    ConnectionManager connections_;
    std::unique_ptr<Acceptor> acceptor_;
    SmcThread smcThread_;
};

}  // namespace vrl
