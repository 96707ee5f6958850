#include "sensor-service/server/entry/DecisionAgent.h"

namespace vrl {

DecisionAgent::DecisionAgent(asio::io_context& io, const SensorMachine& machine)
    : io_(io), smcThread_(machine, requestHandler_) {}

DecisionAgent::~DecisionAgent() { stop(); }

void DecisionAgent::startServer() {
    // The first reply is published before this returns, so it is in place
    // before any connection is accepted.
    smcThread_.start();
}

void DecisionAgent::resume(platform::ipc::UnixListener& listener) {
    auto gate = std::make_unique<ClientGate>(io_, ClientGate::Limits{}, std::make_unique<PropertyListParser>());
    acceptor_ = std::make_unique<Acceptor>(listener, std::move(gate), connections_, requestHandler_);
    acceptor_->resume();
}

void DecisionAgent::stop() {
    if (acceptor_) acceptor_->stop();
    connections_.stopAll();
    smcThread_.stop();
}

platform::ipc::SharedFrame DecisionAgent::getModelDatawithReply() const {
    return requestHandler_.getModelDatawithReply();
}

}  // namespace vrl
