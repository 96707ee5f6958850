// The service's decoding of one request payload.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "sensor-service/server/protocol/Protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vrl::decodeRequest(std::vector<uint8_t>(data, data + size));
    return 0;
}
