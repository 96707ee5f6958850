#pragma once
// The bytes between vrlsensord and its clients, in place of XPC's own
// encoding. Every message is one frame: a 4-byte big-endian payload length,
// then one MessagePack value. The request is {"method": "getModelDatawithReply:"};
// the answer is {"reply": <model data>} or {"error": "<text>"}. The service,
// the client library and the test and benchmark tools all build their frames
// here, so the bytes are written once.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace platform::ipc {

using Frame = std::vector<uint8_t>;
using SharedFrame = std::shared_ptr<const Frame>;

inline constexpr std::size_t kFrameHeaderBytes = 4;
// A request is a few dozen bytes; anything near this is not a request.
inline constexpr std::size_t kMaxRequestPayloadBytes = 4096;

inline constexpr const char* kMethodField = "method";
inline constexpr const char* kReplyField = "reply";
inline constexpr const char* kErrorField = "error";
inline constexpr const char* kMethodGetModelData = "getModelDatawithReply:";

// The frame of a payload. Requires payload.size() < 2^32. Any thread.
Frame framed(std::span<const uint8_t> payload);

// The payload length a frame header announces. Requires 4 readable bytes. Any thread.
uint32_t announcedLength(const uint8_t* header);

// The whole frame of the one request the service answers. Any thread.
const Frame& getModelDataRequestFrame();

}  // namespace platform::ipc
