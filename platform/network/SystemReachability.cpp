#include "platform/network/SystemReachability.h"

#include <ifaddrs.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <memory>

#include "platform/network/ReachabilityFlags.h"

namespace platform::network {
namespace {

struct AddrInfoDeleter {
    void operator()(addrinfo* list) const { freeaddrinfo(list); }
};
struct IfAddrsDeleter {
    void operator()(ifaddrs* list) const { freeifaddrs(list); }
};

bool isLoopback(const sockaddr* address) {
    if (address->sa_family == AF_INET) {
        const auto* in = reinterpret_cast<const sockaddr_in*>(address);
        return (ntohl(in->sin_addr.s_addr) >> 24) == 127;
    }
    if (address->sa_family == AF_INET6) {
        const auto* in6 = reinterpret_cast<const sockaddr_in6*>(address);
        return IN6_IS_ADDR_LOOPBACK(&in6->sin6_addr);
    }
    return false;
}

bool sameHostAddress(const sockaddr* a, const sockaddr* b) {
    if (a == nullptr || b == nullptr || a->sa_family != b->sa_family) return false;
    if (a->sa_family == AF_INET)
        return reinterpret_cast<const sockaddr_in*>(a)->sin_addr.s_addr ==
               reinterpret_cast<const sockaddr_in*>(b)->sin_addr.s_addr;
    if (a->sa_family == AF_INET6)
        return std::memcmp(&reinterpret_cast<const sockaddr_in6*>(a)->sin6_addr,
                           &reinterpret_cast<const sockaddr_in6*>(b)->sin6_addr, sizeof(in6_addr)) == 0;
    return false;
}

bool isOwnAddress(const sockaddr* address) {
    ifaddrs* raw = nullptr;
    if (getifaddrs(&raw) != 0) return false;
    std::unique_ptr<ifaddrs, IfAddrsDeleter> list(raw);
    for (const ifaddrs* entry = raw; entry != nullptr; entry = entry->ifa_next)
        if (sameHostAddress(entry->ifa_addr, address)) return true;
    return false;
}

// A UDP connect only asks the kernel for a route; no datagram is sent.
bool hasRoute(const addrinfo& candidate) {
    const int fd = socket(candidate.ai_family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool routed = connect(fd, candidate.ai_addr, candidate.ai_addrlen) == 0;
    close(fd);
    return routed;
}

}  // namespace

std::uint32_t SystemReachability::flagsForHost(const std::string& host) {
    if (host.empty()) return 0;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* raw = nullptr;
    // The port only satisfies connect(); nothing is sent to it.
    if (getaddrinfo(host.c_str(), "80", &hints, &raw) != 0 || raw == nullptr) return 0;
    std::unique_ptr<addrinfo, AddrInfoDeleter> list(raw);
    HostLookupFacts facts;
    facts.resolved = true;
    for (const addrinfo* candidate = raw; candidate != nullptr; candidate = candidate->ai_next) {
        facts.local = facts.local || isLoopback(candidate->ai_addr) || isOwnAddress(candidate->ai_addr);
        facts.routable = facts.routable || hasRoute(*candidate);
    }
    return reachabilityFlags(facts);
}

}  // namespace platform::network
