#include "sensor-service/server/transport/Acceptor.h"

#include "sensor-service/server/transport/Connection.h"
#include "sensor-service/server/transport/ConnectionManager.h"

namespace vrl {

Acceptor::Acceptor(platform::ipc::UnixListener& listener, std::unique_ptr<ClientGate> gate,
                   ConnectionManager& connections, const RequestHandler& handler)
    : listener_(listener), gate_(std::move(gate)), connections_(connections), handler_(handler) {}

void Acceptor::resume() { acceptNext(); }

void Acceptor::stop() {
    stopped_ = true;
    std::error_code ignored;
    listener_.acceptor().cancel(ignored);
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
    // peers cannot hold more descriptors than the admitted ones may. At the
    // cap a user under its share of the gate takes a place back from one that
    // borrowed beyond it; the refused check's socket closes with its verdict.
    if (connections_.size() + checking_ >= kMaxConnections && !gate_->makeRoomFor(socket)) return;
    ++checking_;
    // The gate, and with it every verdict still to come, goes with this object.
    gate_->check(std::move(socket), [this](Socket checked, bool admitted) { decide(std::move(checked), admitted); });
}

void Acceptor::decide(Socket socket, bool admitted) {
    --checking_;
    if (!admitted) refusals_.refused(socket.native_handle(), RefusalLog::Clock::now());
    if (!admitted || stopped_) return;
    connections_.start(std::make_shared<Connection>(std::move(socket), connections_, handler_));
}

}  // namespace vrl
