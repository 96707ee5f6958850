#pragma once
// The messages between the service and its client, each the payload of one
// frame. Request: {"method": "getModelDatawithReply:"}. Replies:
// {"reply": <model data>} or {"error": "<text>"}.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sensor-service/model/ModelData.h"

namespace vrl {

inline constexpr const char* kMethodGetModelData = "getModelDatawithReply:";

struct Request {
    bool wellFormed = false;  // a MessagePack map; anything else ends the connection
    std::optional<std::string> method;
};

Request decodeRequest(const std::vector<uint8_t>& payload);
std::vector<uint8_t> encodeModelDataReply(const ModelData& modelData);
std::vector<uint8_t> encodeError(const std::string& message);

}  // namespace vrl
