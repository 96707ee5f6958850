#include "sensor-service/server/protocol/RequestHandler.h"

#include <algorithm>

#include "sensor-service/server/protocol/Protocol.h"

namespace vrl {

using platform::ipc::SharedFrame;

namespace {

// Every reply the service sends is framed here, once, and then shared.
SharedFrame frameReply(const std::vector<uint8_t>& payload) {
    return std::make_shared<const platform::ipc::Frame>(platform::ipc::framed(payload));
}

}  // namespace

RequestHandler::RequestHandler() : modelDataReply_(frameReply(encodeModelDataReply({}))) {}

void RequestHandler::modelDataRefreshed(const ModelData& modelData) {
    modelDataReply_.store(frameReply(encodeModelDataReply(modelData)));
}

SharedFrame RequestHandler::getModelDatawithReply() const { return modelDataReply_.load(); }

SharedFrame RequestHandler::handleRequest(std::span<const uint8_t> payload) const {
    // The client library's request, byte for byte, is known without decoding:
    // that spares nearly every request the unpacker and its allocations.
    const platform::ipc::Frame& usual = platform::ipc::getModelDataRequestFrame();
    if (!std::ranges::equal(payload, std::span(usual).subspan(platform::ipc::kFrameHeaderBytes))) {
        const Request request = decodeRequest(payload);
        if (!request.wellFormed) return nullptr;
        if (request.method != platform::ipc::kMethodGetModelData) {
            return frameReply(encodeError("unknown method: " + request.method.value_or("(none)")));
        }
    }
    return getModelDatawithReply();
}

}  // namespace vrl
