#include "sensor-service/machine/SensorMachine.h"

namespace vrl {

std::unique_ptr<SensorMachine> SensorMachine::simulated(std::unique_ptr<platform::smc::SimulatedSmc> smc) {
    auto name = std::make_unique<platform::registry::FixedPlatformName>(smc->model());
    return std::make_unique<SensorMachine>(std::move(smc), std::move(name), platform::foundation::Bundle::mainBundle());
}

}  // namespace vrl
