#include "platform/network/ReachabilityFlags.h"

namespace platform::network {

std::uint32_t reachabilityFlags(const HostLookupFacts& facts) {
    if (!facts.resolved) return 0;
    std::uint32_t flags = 0;
    if (facts.routable) flags |= kReachable;
    if (facts.local) flags |= kIsLocalAddress;
    return flags;
}

bool flagsMeanReachable(std::uint32_t flags) { return (flags & kReachableMask) != 0; }

}  // namespace platform::network
