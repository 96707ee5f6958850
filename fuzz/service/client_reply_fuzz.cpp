// The client's decoding of one reply payload.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "client/ReplyDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vrl::client::decodeReply(std::vector<uint8_t>(data, data + size));
    return 0;
}
