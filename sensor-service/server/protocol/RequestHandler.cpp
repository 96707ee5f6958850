#include "sensor-service/server/protocol/RequestHandler.h"

#include "sensor-service/server/protocol/Protocol.h"

namespace vrl {

using platform::ipc::SharedFrame;

RequestHandler::RequestHandler(SharedFrame firstReply) : modelDataReply_(std::move(firstReply)) {}

void RequestHandler::publish(SharedFrame modelDataReply) { modelDataReply_.store(std::move(modelDataReply)); }

void RequestHandler::getModelDatawithReply(const Reply& reply) const { reply(modelDataReply_.load()); }

SharedFrame RequestHandler::handleRequest(std::span<const uint8_t> payload) const {
    const Request request = decodeRequest(payload);
    if (!request.wellFormed) return nullptr;
    if (request.method == platform::ipc::kMethodGetModelData) {
        SharedFrame answer;
        getModelDatawithReply([&answer](SharedFrame reply) { answer = std::move(reply); });
        return answer;
    }
    const std::string message = "unknown method: " + request.method.value_or("(none)");
    return std::make_shared<const platform::ipc::Frame>(platform::ipc::framed(encodeError(message)));
}

}  // namespace vrl
