#pragma once
// Takes new connections from the listener and hands each to the client gate,
// which it owns; only an admitted peer becomes a connection. A refused peer's
// socket is closed at once and silently, as the platform's listener drops a
// connection its delegate refuses; only the log says who it was, a few lines
// a minute at most.
#include <cstddef>
#include <memory>

#include <asio/local/stream_protocol.hpp>

#include "platform/ipc/UnixListener.h"
#include "sensor-service/server/gate/ClientGate.h"
#include "sensor-service/server/gate/RefusalLog.h"

namespace vrl {

class ConnectionManager;
class RequestHandler;

class Acceptor {
public:
    using Socket = asio::local::stream_protocol::socket;

    // Requires listener, connections and handler to outlive the acceptor;
    // gate (not null) is its own and must run on the listener's io_context.
    // Serving thread only.
    Acceptor(platform::ipc::UnixListener& listener, std::unique_ptr<ClientGate> gate, ConnectionManager& connections,
             const RequestHandler& handler);
    Acceptor(const Acceptor&) = delete;
    Acceptor& operator=(const Acceptor&) = delete;

    // Starts accepting; nothing is accepted before this (the listener's resume).
    void resume();
    // Stops accepting; verdicts that arrive later close their sockets. The
    // checks still running end when the acceptor, and with it the gate, goes.
    void stop();

private:
    void acceptNext();
    void awaitVerdict(Socket socket);
    void decide(Socket socket, bool admitted);

    platform::ipc::UnixListener& listener_;
    const std::unique_ptr<ClientGate> gate_;
    ConnectionManager& connections_;
    const RequestHandler& handler_;
    RefusalLog refusals_{kRefusalLinesPerWindow, kRefusalWindow};
    // Sockets the gate holds, still waiting for their verdicts.
    std::size_t checking_ = 0;
    bool stopped_ = false;
};

}  // namespace vrl
