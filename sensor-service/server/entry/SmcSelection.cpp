#include "sensor-service/server/entry/SmcSelection.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/log/SystemLog.h"
#include "platform/smc/AppleSmcDriver.h"
#include "platform/smc/BuiltInImage.h"
#include "platform/smc/SimulatedSmc.h"

namespace vrl {

namespace {

constexpr const char* kAppleSmcDirectory = "/sys/devices/platform/applesmc.768";

SmcSelection simulated(std::shared_ptr<platform::smc::SimulatedSmc> smc) {
    auto name = std::make_unique<platform::registry::FixedPlatformName>(smc->model());
    return {std::move(smc), std::move(name)};
}

// Without the driver the service still runs and answers empty model data, as
// on a Mac whose SMC cannot be opened; the journal says why.
void reportMissingAppleSmc() {
    const std::filesystem::path selector = std::filesystem::path(kAppleSmcDirectory) / "key_at_index";
    if (::access(selector.c_str(), W_OK) == 0) return;
    const int error = errno;
    platform::log::debugLog(error == ENOENT ? "no applesmc driver at " + std::string(kAppleSmcDirectory) +
                                                  " (not an Intel Mac, or the applesmc module is not loaded): no SMC"
                                            : "cannot select SMC keys through " + selector.string() + ": " +
                                                  std::strerror(error) + ": no SMC");
}

}  // namespace

std::optional<SmcSelection> selectSmc(const ServiceOptions& options, std::string& error) {
    if (options.smcDemo) return simulated(std::make_shared<platform::smc::SimulatedSmc>(platform::smc::builtInImage()));
    if (options.smcImage) {
        auto smc = platform::smc::SimulatedSmc::watchingFile(*options.smcImage, error);
        if (!smc) return std::nullopt;
        return simulated(std::move(smc));
    }
    reportMissingAppleSmc();
    return SmcSelection{std::make_shared<platform::smc::AppleSmcDriver>(kAppleSmcDirectory),
                        std::make_unique<platform::registry::DmiPlatformName>()};
}

}  // namespace vrl
