#include "sensor-service/server/entry/SmcSelection.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/log/SystemLog.h"
#include "platform/smc/AppleSmcAttributeFiles.h"
#include "platform/smc/AppleSmcDriver.h"
#include "platform/smc/BuiltInImage.h"
#include "platform/smc/SimulatedSmc.h"

namespace vrl {

namespace {

using platform::log::Priority;

// Demo readings must never pass for a real Mac's, so a simulated SMC is said
// at notice priority, in the default view of the journal.
void reportSimulatedSmc(const std::string& source) {
    platform::log::systemLog(Priority::notice, "SMC: simulated, " + source + "; these are not a real Mac's readings");
}

// Without the driver the service still runs and answers empty model data, as
// on a Mac whose SMC cannot be opened; the line says why, so that an
// administrator can tell a missing module from a udev rule that did not apply.
void reportAppleSmc(const std::filesystem::path& directory) {
    const std::filesystem::path selector = directory / "key_at_index";
    if (::access(selector.c_str(), W_OK) == 0) {
        platform::log::systemLog(Priority::info, "SMC: the applesmc driver at " + directory.string());
        return;
    }
    const int error = errno;
    std::string why = "cannot select SMC keys through " + selector.string() + ": " + std::strerror(error);
    if (error == ENOENT && !std::filesystem::exists(directory))
        why = "no applesmc driver at " + directory.string() + " (not an Intel Mac, or the applesmc module is not loaded)";
    else if (error == EACCES || error == EPERM || error == EROFS)
        why += " (the udev rule giving the vrlsensord group write access did not apply)";
    platform::log::systemLog(Priority::info, "SMC: none, " + why);
}

}  // namespace

std::unique_ptr<SensorMachine> selectMachine(const ServiceOptions& options,
                                             const std::filesystem::path& appleSmcDirectory, std::string& error) {
    if (options.smcDemo) {
        auto smc = std::make_unique<platform::smc::SimulatedSmc>(platform::smc::builtInImage());
        reportSimulatedSmc("the built-in image of a " + smc->model().value_or("Mac") + " (--smc-demo)");
        return SensorMachine::simulated(std::move(smc));
    }
    if (options.smcImage) {
        auto smc = platform::smc::SimulatedSmc::watchingFile(*options.smcImage);
        if (!smc) {
            error = smc.error().message;
            return nullptr;
        }
        reportSimulatedSmc("the image " + *options.smcImage + " (--smc-image)");
        return SensorMachine::simulated(std::move(*smc));
    }
    reportAppleSmc(appleSmcDirectory);
    auto attributes = std::make_unique<platform::smc::AppleSmcAttributeFiles>(appleSmcDirectory);
    return std::make_unique<SensorMachine>(std::make_unique<platform::smc::AppleSmcDriver>(std::move(attributes)),
                                           std::make_unique<platform::registry::DmiPlatformName>(),
                                           platform::foundation::Bundle::mainBundle());
}

}  // namespace vrl
