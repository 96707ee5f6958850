#pragma once
// Key listing and key values as text, the two object-level reads that
// discovery and polling use.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vrl {

// Every key the SMC lists, in index order; empty when nothing can be listed.
// The connection argument is ignored: the process has one SMC connection.
std::vector<std::string> getSmcKeysFromConnection(uint32_t connection);

// Uncached read of the key as display text; nullopt when there is none.
std::optional<std::string> valueForKey(const std::string& key);

// A "#KEY" count from a broken SMC must not hang start-up.
inline constexpr uint32_t kMaxListedKeys = 65536;

}  // namespace vrl
