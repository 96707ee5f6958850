#pragma once

#include <cstdint>

namespace platform::network {

// Flag values as the system's reachability service reports them.
inline constexpr std::uint32_t kReachable = 0x2;
inline constexpr std::uint32_t kConnectionOnTraffic = 0x8;
inline constexpr std::uint32_t kIsLocalAddress = 0x10000;
// Any one of these means the host can be reached.
inline constexpr std::uint32_t kReachableMask = kReachable | kConnectionOnTraffic | kIsLocalAddress;

// What a lookup of one host name found out.
struct HostLookupFacts {
    bool resolved = false;  // the name gave at least one address
    bool routable = false;  // the system has a route to one of them
    bool local = false;     // one of them is a loopback or one of this machine's addresses
};

// The flags the facts give, and whether flags mean reachable. Pure; any thread.
std::uint32_t reachabilityFlags(const HostLookupFacts& facts);
bool flagsMeanReachable(std::uint32_t flags);

}  // namespace platform::network
