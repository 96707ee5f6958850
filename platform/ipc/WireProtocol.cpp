#include "platform/ipc/WireProtocol.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace platform::ipc {

Frame framed(std::span<const uint8_t> payload) {
    const auto size = static_cast<uint32_t>(payload.size());
    Frame frame(kFrameHeaderBytes + payload.size());
    for (std::size_t i = 0; i < kFrameHeaderBytes; ++i) frame[i] = static_cast<uint8_t>(size >> (24 - 8 * i));
    std::copy(payload.begin(), payload.end(), frame.begin() + kFrameHeaderBytes);
    return frame;
}

uint32_t announcedLength(const uint8_t* header) {
    return (uint32_t{header[0]} << 24) | (uint32_t{header[1]} << 16) | (uint32_t{header[2]} << 8) | header[3];
}

const Frame& getModelDataRequestFrame() {
    // A one-entry map (0x81) of two short strings (0xa0 | length): the field and the method.
    static const Frame frame = [] {
        const std::string_view method = kMethodGetModelData;
        const std::string_view field = kMethodField;
        std::string payload = "\x81";
        payload += static_cast<char>(0xa0 | field.size());
        payload += field;
        payload += static_cast<char>(0xa0 | method.size());
        payload += method;
        return framed(std::span(reinterpret_cast<const uint8_t*>(payload.data()), payload.size()));
    }();
    return frame;
}

}  // namespace platform::ipc
