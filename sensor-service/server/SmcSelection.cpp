#include "sensor-service/server/SmcSelection.h"

#include "platform/smc/AppleSmcDriver.h"
#include "platform/smc/BuiltInImage.h"
#include "platform/smc/SimulatedSmc.h"

namespace vrl {

namespace {

SmcSelection simulated(std::shared_ptr<platform::smc::SimulatedSmc> smc) {
    auto name = std::make_unique<platform::registry::FixedPlatformName>(smc->model());
    return {std::move(smc), std::move(name)};
}

}  // namespace

std::optional<SmcSelection> selectSmc(const ServiceOptions& options, std::string& error) {
    if (options.smcDemo) return simulated(std::make_shared<platform::smc::SimulatedSmc>(platform::smc::builtInImage()));
    if (options.smcImage) {
        auto smc = platform::smc::SimulatedSmc::watchingFile(*options.smcImage, error);
        if (!smc) return std::nullopt;
        return simulated(std::move(smc));
    }
    return SmcSelection{std::make_shared<platform::smc::AppleSmcDriver>(),
                        std::make_unique<platform::registry::DmiPlatformName>()};
}

}  // namespace vrl
