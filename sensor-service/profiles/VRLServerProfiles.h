#pragma once
// Reads the platform name and holds the compiled-in per-model profile table.
// Requires the name source to outlive the object; the thread that asks is the
// source's (the SMC thread, during discovery). Never throws but on allocation.
#include <optional>
#include <string>
#include <vector>

#include "platform/registry/PlatformNameSource.h"

namespace vrl {

class VRLServerProfiles {
public:
    explicit VRLServerProfiles(const platform::registry::PlatformNameSource& source);

    std::vector<std::string> systemProfile() const;          // never empty
    std::optional<std::string> getPlatformName() const;
    static std::optional<std::string> cleanPlatformName(const std::optional<std::string>& name);

private:
    const platform::registry::PlatformNameSource& source_;
};

}  // namespace vrl
