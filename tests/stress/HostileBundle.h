#pragma once
// Info.plist contents and tricks for the hostile bundles of the gate's tests
// and of the stress tool.
#include <atomic>
#include <cstddef>
#include <filesystem>
#include <string>

namespace vrl::stress {

// A valid XML property list saying identifier, with a padding string of
// padding bytes to make it as large as wanted.
std::string infoPlistSaying(const std::string& identifier, std::size_t padding = 0);

// Until stop is set: replaces target by a property list saying a foreign
// identifier, then by a FIFO nobody writes, and again, each by a rename, so
// that a reader can find either or have one swapped in under it.
void keepSwappingWithFifo(const std::filesystem::path& target, const std::atomic<bool>& stop);

}  // namespace vrl::stress
