#include "sensor-service/server/RequestHandler.h"

#include <algorithm>

#include "sensor-service/server/Protocol.h"

namespace vrl {

using platform::ipc::SharedFrame;

RequestHandler::RequestHandler(SharedFrame firstReply) : modelDataReply_(std::move(firstReply)) {}

void RequestHandler::publish(SharedFrame modelDataReply) { modelDataReply_.store(std::move(modelDataReply)); }

void RequestHandler::getModelDatawithReply(const Reply& reply) const { reply(modelDataReply_.load()); }

SharedFrame RequestHandler::handleRequest(std::span<const uint8_t> payload) const {
    // The client library's request, byte for byte, is known without decoding:
    // that spares nearly every request the unpacker and its allocations.
    const platform::ipc::Frame& usual = platform::ipc::getModelDataRequestFrame();
    if (!std::ranges::equal(payload, std::span(usual).subspan(platform::ipc::kFrameHeaderBytes))) {
        const Request request = decodeRequest(payload);
        if (!request.wellFormed) return nullptr;
        if (request.method != platform::ipc::kMethodGetModelData) {
            const std::string message = "unknown method: " + request.method.value_or("(none)");
            return std::make_shared<const platform::ipc::Frame>(platform::ipc::framed(encodeError(message)));
        }
    }
    SharedFrame answer;
    getModelDatawithReply([&answer](SharedFrame reply) { answer = std::move(reply); });
    return answer;
}

}  // namespace vrl
