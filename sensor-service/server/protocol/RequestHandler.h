#pragma once
// Answers request payloads. It holds the latest reply to
// getModelDatawithReply:, an immutable frame encoded once per refresh on the
// SMC thread and swapped in, so answering costs no encoding and never waits
// for the SMC, and publishing wakes no other thread.
#include <atomic>
#include <memory>
#include <span>

#include "platform/ipc/WireProtocol.h"
#include "sensor-service/model/ModelDataSink.h"

namespace vrl {

class RequestHandler final : public ModelDataSink {
public:
    // Starts with the reply for empty model data; the service publishes the
    // first refresh's before it accepts a connection.
    RequestHandler();

    // Any thread (the SMC thread after each refresh). Encodes and frames the
    // model data once and replaces the reply for every later request; a
    // request already answered keeps the frame it got.
    void modelDataRefreshed(const ModelData& modelData) override;

    // Serving thread. The model data reply, at once.
    platform::ipc::SharedFrame getModelDatawithReply() const;

    // Serving thread. The framed answer to one request payload, or nullptr when
    // the payload is not a request at all (the caller ends that connection).
    platform::ipc::SharedFrame handleRequest(std::span<const uint8_t> payload) const;

private:
    std::atomic<platform::ipc::SharedFrame> modelDataReply_;
};

}  // namespace vrl
