#include "sensor-service/server/transport/Acceptor.h"

#include "sensor-service/server/gate/ClientGate.h"
#include "sensor-service/server/transport/Connection.h"
#include "sensor-service/server/transport/ConnectionManager.h"

namespace vrl {

Acceptor::Acceptor(platform::ipc::UnixListener& listener, ClientGate& gate, ConnectionManager& connections,
                   const RequestHandler& handler)
    : listener_(listener), gate_(gate), connections_(connections), handler_(handler) {}

void Acceptor::resume() { acceptNext(); }

void Acceptor::stop() {
    stopped_ = true;
    std::error_code ignored;
    listener_.acceptor().cancel(ignored);
    // The sockets still awaiting a verdict stay open until the acceptor goes:
    // the gate's workers may be reading them.
}

void Acceptor::acceptNext() {
    listener_.acceptor().async_accept([this](std::error_code ec, Socket socket) {
        if (stopped_ || ec == asio::error::operation_aborted) return;
        if (!ec) awaitVerdict(std::move(socket));
        acceptNext();
    });
}

void Acceptor::awaitVerdict(Socket socket) {
    // Sockets waiting for a verdict count against the cap, so a flood of
    // peers cannot hold more descriptors than the admitted ones may.
    if (connections_.size() + awaiting_.size() >= kMaxConnections) return;
    const uint64_t ticket = nextTicket_++;
    const int fd = socket.native_handle();
    awaiting_.emplace(ticket, std::move(socket));
    gate_.check(fd, [this, ticket](bool admitted) { decide(ticket, admitted); });
}

void Acceptor::decide(uint64_t ticket, bool admitted) {
    auto it = awaiting_.find(ticket);
    if (it == awaiting_.end()) return;
    Socket socket = std::move(it->second);
    awaiting_.erase(it);
    if (!admitted || stopped_) return;
    connections_.start(std::make_shared<Connection>(std::move(socket), connections_, handler_));
}

}  // namespace vrl
