#include "sensor-service/server/entry/SmcSelection.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/log/SystemLog.h"
#include "platform/smc/AppleSmcDriver.h"
#include "platform/smc/BuiltInImage.h"
#include "platform/smc/SimulatedSmc.h"

namespace vrl {

namespace {

// Without the driver the service still runs and answers empty model data, as
// on a Mac whose SMC cannot be opened; the journal says why.
void reportMissingAppleSmc(const std::filesystem::path& directory) {
    const std::filesystem::path selector = directory / "key_at_index";
    if (::access(selector.c_str(), W_OK) == 0) return;
    const int error = errno;
    platform::log::debugLog(error == ENOENT ? "no applesmc driver at " + directory.string() +
                                                  " (not an Intel Mac, or the applesmc module is not loaded): no SMC"
                                            : "cannot select SMC keys through " + selector.string() + ": " +
                                                  std::strerror(error) + ": no SMC");
}

}  // namespace

std::unique_ptr<SensorMachine> selectMachine(const ServiceOptions& options,
                                             const std::filesystem::path& appleSmcDirectory, std::string& error) {
    if (options.smcDemo) return SensorMachine::simulated(std::make_unique<platform::smc::SimulatedSmc>(platform::smc::builtInImage()));
    if (options.smcImage) {
        auto smc = platform::smc::SimulatedSmc::watchingFile(*options.smcImage, error);
        if (!smc) return nullptr;
        return SensorMachine::simulated(std::move(smc));
    }
    reportMissingAppleSmc(appleSmcDirectory);
    return std::make_unique<SensorMachine>(std::make_unique<platform::smc::AppleSmcDriver>(appleSmcDirectory),
                                           std::make_unique<platform::registry::DmiPlatformName>(),
                                           platform::foundation::Bundle::mainBundle());
}

}  // namespace vrl
