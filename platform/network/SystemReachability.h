#pragma once

#include "platform/network/Reachability.h"

namespace platform::network {

// Resolves the name with getaddrinfo and asks the kernel for a route with an
// unsent UDP connect; nothing goes on the wire.
class SystemReachability : public Reachability {
public:
    std::uint32_t flagsForHost(const std::string& host) override;
};

}  // namespace platform::network
