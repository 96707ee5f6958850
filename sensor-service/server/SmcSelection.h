#pragma once
// Which SMC the service talks to, and where the Mac's model name comes from.
#include <memory>
#include <optional>
#include <string>

#include "platform/registry/PlatformNameSource.h"
#include "platform/smc/SmcDriver.h"
#include "sensor-service/server/ServiceOptions.h"

namespace vrl {

struct SmcSelection {
    std::shared_ptr<platform::smc::SmcDriver> driver;
    std::unique_ptr<platform::registry::PlatformNameSource> platformName;
};

// A simulated image names its own model; the real machine's comes from DMI.
std::optional<SmcSelection> selectSmc(const ServiceOptions& options, std::string& error);

}  // namespace vrl
