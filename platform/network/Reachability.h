#pragma once

#include <cstdint>
#include <string>

namespace platform::network {

// Answers, synchronously and off the main thread, which reachability flags
// a host name has right now; 0 when nothing could be learnt. It may block for
// a name lookup. SystemReachability is the real one, built once by the
// application's main function. Any thread, several at once; never throws.
class Reachability {
public:
    virtual ~Reachability() = default;
    virtual std::uint32_t flagsForHost(const std::string& host) = 0;
};

}  // namespace platform::network
