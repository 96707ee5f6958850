#pragma once
// What the service benchmarks share: servers in child processes of their own,
// and a bare client that sends the request frame and reads one reply frame.
#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/ChildProcess.h"
#include "tests/support/ServiceWire.h"

namespace vrl {
class VRLServerObject;
}
namespace platform::smc {
class SmcDriver;
}

namespace bench {

using vrl::test::ChildProcess;

// The service as vrlsensord assembles it, on `driver` for a Mac named `model`,
// listening at `socket`; `prepare` runs on the SMC thread before the first
// connection is taken. Returns at SIGTERM; exits the process at once when the
// socket cannot be bound. For a child process.
void runServiceUntilTerminated(const std::filesystem::path& socket, std::unique_ptr<platform::smc::SmcDriver> driver,
                               const std::string& model, const std::function<void(vrl::VRLServerObject&)>& prepare);

// Moves every thread of `pid` to the CPUs this process may not use. The FUSE
// applesmc stands in for the kernel, whose SMC work runs in the reading
// thread itself, not in a process competing with it on the pinned CPU; with
// one CPU there is nowhere else to go and nothing moves.
void keepOffOurCpu(pid_t pid);

// A connected Unix stream socket, retried for up to five seconds while the
// server comes up; -1 when it never does.
inline int connectTo(const std::filesystem::path& path) { return vrl::test::connectTo(path, std::chrono::seconds(5)); }

// One request frame out, one reply frame back into buffer; the reply's
// payload size, 0 on failure.
std::size_t roundTrip(int fd, std::vector<uint8_t>& buffer);

}  // namespace bench
