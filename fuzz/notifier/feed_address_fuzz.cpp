// Percent-escaping of the feed address: escaping twice must change nothing, and
// the result must be plain ASCII without spaces.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/network/Url.h"
#include "update-notifier/app/FeedAddress.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string address(reinterpret_cast<const char*>(data), size);
    const std::string escaped = qm::percentEscapedFeedAddress(address);
    for (unsigned char c : escaped) {
        if (c <= 0x20 || c >= 0x7F) std::abort();
    }
    if (qm::percentEscapedFeedAddress(escaped) != escaped) std::abort();
    platform::network::Url::parse(escaped);
    return 0;
}
