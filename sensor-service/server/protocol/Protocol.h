#pragma once
// The service's side of the wire protocol (platform/ipc/WireProtocol.h):
// reading a request payload, writing reply payloads. Any thread.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "sensor-service/model/ModelData.h"

namespace vrl {

struct Request {
    bool wellFormed = false;  // a MessagePack map; anything else ends the connection
    std::optional<std::string> method;
};

// Never throws: bytes that are not one MessagePack map give wellFormed false.
Request decodeRequest(std::span<const uint8_t> payload);
std::vector<uint8_t> encodeModelDataReply(const ModelData& modelData);
std::vector<uint8_t> encodeError(const std::string& message);

}  // namespace vrl
