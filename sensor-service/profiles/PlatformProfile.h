#pragma once
// The platform profile: the profile list of this Mac split into key and
// title fields, in the list's order, for temperature discovery to walk.
#include <string>
#include <utility>
#include <vector>

namespace vrl {

using PlatformProfile = std::vector<std::pair<std::string, std::string>>;  // (key field, title field)

// Each row split at its first and last "|" (a row without one pairs itself
// with itself). An empty list logs "No suitible profile found" and gives an
// empty profile. Any thread.
PlatformProfile platformProfileFromRows(const std::vector<std::string>& rows);

}  // namespace vrl
