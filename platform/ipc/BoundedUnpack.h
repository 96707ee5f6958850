#pragma once
// Unpacks one MessagePack value from a frame payload without trusting the
// sizes it declares: msgpack reserves room for every element an array or map
// header announces before reading them, so a few bytes claiming billions of
// elements would otherwise allocate gigabytes. Every element takes at least one
// byte, so no honest count exceeds the payload's length.
#include <cstddef>
#include <cstdint>
#include <span>

#include <msgpack.hpp>

namespace platform::ipc {

inline constexpr std::size_t kMaxMessageDepth = 32;

// Throws what msgpack throws (all derived from std::exception) on bad input.
inline msgpack::object_handle unpackBounded(std::span<const uint8_t> payload, std::size_t& offset) {
    const std::size_t bound = payload.size();
    const msgpack::unpack_limit limit(bound, bound, bound, bound, bound, kMaxMessageDepth);
    return msgpack::unpack(reinterpret_cast<const char*>(payload.data()), payload.size(), offset,
                           nullptr, nullptr, limit);
}

}  // namespace platform::ipc
