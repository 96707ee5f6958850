#pragma once
// Which SMC the service talks to, and where the Mac's model name comes from.
#include <memory>
#include <optional>
#include <string>

#include "platform/registry/PlatformNameSource.h"
#include "sensor-service/server/ServiceOptions.h"
#include "sensor-service/smc/Smc.h"

namespace vrl {

struct SmcSelection {
    std::unique_ptr<Smc> smc;  // closed; over the chosen driver
    std::unique_ptr<platform::registry::PlatformNameSource> platformName;
};

// --smc-demo: the built-in image; --smc-image: the file, followed as it
// changes; otherwise the applesmc driver and the DMI model name. A simulated
// image names its own model. nullopt, with the reason in error, only when an
// image file cannot be loaded; an absent applesmc device shows later as an
// SMC that fails to open. Call before the service's threads start.
std::optional<SmcSelection> selectSmc(const ServiceOptions& options, std::string& error);

}  // namespace vrl
