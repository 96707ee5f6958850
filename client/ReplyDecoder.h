#pragma once
// Decodes one reply payload: {"reply": model data} or {"error": text}.
#include <cstdint>
#include <vector>

#include "client/ModelData.h"
#include "client/SensorClient.h"

namespace vrl::client {

// The model data of a reply payload. Fails as serviceError with the service's
// own text, or as malformedReply saying why the payload is no reply. Any
// thread; never throws.
FetchResult decodeReply(const std::vector<uint8_t>& payload);

}  // namespace vrl::client
