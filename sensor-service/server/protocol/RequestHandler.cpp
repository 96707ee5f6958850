#include "sensor-service/server/protocol/RequestHandler.h"

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

void RequestHandler::getModelDatawithReply(const Reply& reply) const { reply(modelDataReply_.load()); }

SharedFrame RequestHandler::handleRequest(std::span<const uint8_t> payload) const {
    const Request request = decodeRequest(payload);
    if (!request.wellFormed) return nullptr;
    if (request.method == platform::ipc::kMethodGetModelData) {
        SharedFrame answer;
        getModelDatawithReply([&answer](SharedFrame reply) { answer = std::move(reply); });
        return answer;
    }
    return frameReply(encodeError("unknown method: " + request.method.value_or("(none)")));
}

}  // namespace vrl
