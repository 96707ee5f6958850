#pragma once
// Which SMC the service talks to, and where the Mac's model name comes from.
#include <memory>
#include <optional>
#include <string>

#include "platform/registry/PlatformNameSource.h"
#include "platform/smc/SmcDriver.h"
#include "sensor-service/server/entry/ServiceOptions.h"

namespace vrl {

struct SmcSelection {
    std::shared_ptr<platform::smc::SmcDriver> driver;
    std::unique_ptr<platform::registry::PlatformNameSource> platformName;
};

// --smc-demo: the built-in image; --smc-image: the file, followed as it
// changes; otherwise the applesmc driver and the DMI model name. A simulated
// image names its own model. nullopt, with the reason in error, only when an
// image file cannot be loaded; an absent applesmc device is logged at debug
// priority and shows later as an SMC that fails to open. The SMC object is made from the driver by whoever
// owns the SMC thread. Call before the service's threads start.
std::optional<SmcSelection> selectSmc(const ServiceOptions& options, std::string& error);

}  // namespace vrl
