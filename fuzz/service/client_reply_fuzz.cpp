// The client's decoding of one reply payload: whatever the bytes, it returns,
// and a payload it rejects as malformed comes with a reason to show.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "client/ReplyDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const vrl::client::FetchResult decoded = vrl::client::decodeReply(std::vector<uint8_t>(data, data + size));
    if (!decoded && decoded.error().kind == vrl::client::ClientError::malformedReply &&
        decoded.error().cause.message.empty())
        __builtin_trap();
    return 0;
}
