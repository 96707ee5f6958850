#pragma once
// Takes new connections from the listener and hands each to the client gate;
// only an admitted peer becomes a connection. A refused peer's socket is
// closed at once and silently, as the platform's listener drops a connection
// its delegate refuses.
#include <map>
#include <memory>

#include <asio/local/stream_protocol.hpp>

#include "platform/ipc/UnixListener.h"

namespace vrl {

class ClientGate;
class ConnectionManager;
class RequestHandler;

class Acceptor {
public:
    using Socket = asio::local::stream_protocol::socket;

    // Requires every argument to outlive the acceptor. Serving thread only.
    Acceptor(platform::ipc::UnixListener& listener, ClientGate& gate, ConnectionManager& connections,
             const RequestHandler& handler);
    Acceptor(const Acceptor&) = delete;
    Acceptor& operator=(const Acceptor&) = delete;

    // Starts accepting; nothing is accepted before this (the listener's resume).
    void resume();
    // Stops accepting; verdicts that arrive later are ignored. The sockets
    // still waiting for one close when the acceptor is destroyed, which must
    // follow the gate's destruction.
    void stop();

private:
    void acceptNext();
    void awaitVerdict(Socket socket);
    void decide(uint64_t ticket, bool admitted);

    platform::ipc::UnixListener& listener_;
    ClientGate& gate_;
    ConnectionManager& connections_;
    const RequestHandler& handler_;
    // Sockets whose peers the gate is still checking, by ticket.
    std::map<uint64_t, Socket> awaiting_;
    uint64_t nextTicket_ = 0;
    bool stopped_ = false;
};

}  // namespace vrl
