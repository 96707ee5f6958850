// Platform identification and the choice of the profile list.
#include "sensor-service/profiles/VRLServerProfiles.h"

#include <algorithm>

#include "sensor-service/profiles/ProfileTable.h"

namespace vrl {

VRLServerProfiles::VRLServerProfiles(const platform::registry::PlatformNameSource& source)
    : source_(source) {}

std::vector<std::string> VRLServerProfiles::systemProfile() const {
    return ProfileTable::rowsFor(getPlatformName());
}

std::optional<std::string> VRLServerProfiles::getPlatformName() const {
    return cleanPlatformName(source_.modelIdentifier());
}

std::optional<std::string> VRLServerProfiles::cleanPlatformName(const std::optional<std::string>& name) {
    if (!name) return std::nullopt;
    std::string cleaned = *name;
    // The registry and sysfs values end in a NUL byte or a newline; only
    // printable ASCII can match the table.
    std::erase_if(cleaned, [](char c) {
        const auto code = static_cast<unsigned char>(c);
        return code < 0x20 || code > 0x7E;
    });
    return cleaned;
}

}  // namespace vrl
