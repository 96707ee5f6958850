#pragma once
// Answers request payloads. It holds the latest published reply to
// getModelDatawithReply:, an immutable frame that the SMC thread encoded after
// a refresh and swapped in, so answering costs no encoding and never waits for
// the SMC, and publishing wakes no other thread.
#include <atomic>
#include <functional>
#include <memory>
#include <span>

#include "platform/ipc/WireProtocol.h"

namespace vrl {

class RequestHandler {
public:
    using Reply = std::function<void(platform::ipc::SharedFrame)>;

    // Requires a first reply: the service answers nothing before discovery and
    // the first refresh have produced one.
    explicit RequestHandler(platform::ipc::SharedFrame firstReply);

    // Any thread (the SMC thread after each refresh). Replaces the reply for
    // every later request; a request already answered keeps the frame it got.
    void publish(platform::ipc::SharedFrame modelDataReply);

    // Serving thread. Calls reply once, at once, with the model data reply.
    void getModelDatawithReply(const Reply& reply) const;

    // Serving thread. The framed answer to one request payload, or nullptr when
    // the payload is not a request at all (the caller ends that connection).
    platform::ipc::SharedFrame handleRequest(std::span<const uint8_t> payload) const;

private:
    std::atomic<platform::ipc::SharedFrame> modelDataReply_;
};

}  // namespace vrl
