#pragma once
// Simulated SMC images larger than any Mac's, for measuring how costs grow.
#include <cstddef>
#include <string>

#include "platform/smc/SmcImage.h"

namespace bench {

// The built-in Mac with keys that no discovery looks for added until the SMC
// lists `keyCount` keys (counting its own "#KEY").
platform::smc::SmcImage builtInImageListing(std::size_t keyCount);

// A four-character key name: `first`, then `index` in three base-36 digits.
std::string numberedKey(char first, std::size_t index);

}  // namespace bench
