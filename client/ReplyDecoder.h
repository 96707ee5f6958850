#pragma once
// Decodes one reply payload: {"reply": model data} or {"error": text}.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "client/ModelData.h"

namespace vrl::client {

struct DecodedReply {
    std::optional<ModelData> modelData;
    std::optional<std::string> serviceError;  // the service's {"error": ...}
    std::string malformed;                    // why the payload is no reply; empty when it is
};

DecodedReply decodeReply(const std::vector<uint8_t>& payload);

}  // namespace vrl::client
