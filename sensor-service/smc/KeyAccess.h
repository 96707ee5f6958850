#pragma once
// Key listing and key values as text, the two object-level reads that
// discovery and polling use. Both go through the caller's SMC object and so
// run on the thread that owns it; neither throws.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sensor-service/smc/Smc.h"

namespace vrl {

// Every key the SMC lists, in index order, on an open connection; empty when
// "#KEY" cannot be read or decoded. An index whose call fails is left out.
std::vector<std::string> getSmcKeysFromConnection(Smc& smc);

// Uncached read of the key as display text; nullopt when the read yields
// none (a failed key-information call). A failed byte read gives the text of
// a zero value.
std::optional<std::string> valueForKey(Smc& smc, const std::string& key);

// A "#KEY" count from a broken SMC must not hang start-up.
inline constexpr uint32_t kMaxListedKeys = 65536;

}  // namespace vrl
