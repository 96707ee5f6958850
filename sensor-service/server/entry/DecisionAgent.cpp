#include "sensor-service/server/entry/DecisionAgent.h"

#include "sensor-service/server/protocol/Protocol.h"

namespace vrl {

using platform::ipc::SharedFrame;

namespace {

SharedFrame emptyModelDataReply() {
    return std::make_shared<const platform::ipc::Frame>(platform::ipc::framed(encodeModelDataReply({})));
}

}  // namespace

DecisionAgent::DecisionAgent(Environment env)
    : requestHandler_(emptyModelDataReply()),
      gate_(env.io),
      smcThread_({env.smcDriver, env.platformName, env.mainBundle,
                  [this](SharedFrame reply) { requestHandler_.publish(std::move(reply)); }}) {}

DecisionAgent::~DecisionAgent() { stop(); }

bool DecisionAgent::startServer() {
    // The first reply is published before this returns, so it is in place
    // before any connection is accepted.
    smcThread_.start();
    return true;
}

void DecisionAgent::resume(platform::ipc::UnixListener& listener) {
    acceptor_ = std::make_unique<Acceptor>(listener, gate_, connections_, requestHandler_);
    acceptor_->resume();
}

void DecisionAgent::stop() {
    if (acceptor_) acceptor_->stop();
    connections_.stopAll();
    smcThread_.stop();
}

void DecisionAgent::getModelDatawithReply(const RequestHandler::Reply& reply) const {
    requestHandler_.getModelDatawithReply(reply);
}

}  // namespace vrl
