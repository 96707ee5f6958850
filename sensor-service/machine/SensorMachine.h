#pragma once
// The Mac the service runs on, declared once: its SMC driver, the source of
// its model identifier and the service's own bundle (whose strings table
// holds the pattern titles). Everything the service asks of the machine it
// asks of this object, which the entry point builds once (applesmc and the
// DMI name, or a simulated SMC the command line names) and which outlives
// every object that refers to it. Tests build one around a driver of their
// own.
//
// Threads: the object never changes once built. The driver is called by the
// SMC thread only (the drivers serialise their calls anyway); the name source
// and the bundle are read by the SMC thread during discovery, and by the
// entry point before that thread starts (the bundle is one thread at a time).
#include <memory>

#include "platform/foundation/Bundle.h"
#include "platform/registry/PlatformNameSource.h"
#include "platform/smc/SimulatedSmc.h"
#include "platform/smc/SmcDriver.h"

namespace vrl {

class SensorMachine {
public:
    // Requires driver and platformName not null.
    SensorMachine(std::unique_ptr<platform::smc::SmcDriver> driver,
                  std::unique_ptr<platform::registry::PlatformNameSource> platformName,
                  platform::foundation::Bundle mainBundle)
        : driver_(std::move(driver)), platformName_(std::move(platformName)), mainBundle_(std::move(mainBundle)) {}
    // A simulated Mac: the SMC answers from its image, which also names the
    // model; the bundle is the executable's. Requires smc not null.
    static std::unique_ptr<SensorMachine> simulated(std::unique_ptr<platform::smc::SimulatedSmc> smc);
    SensorMachine(const SensorMachine&) = delete;
    SensorMachine& operator=(const SensorMachine&) = delete;

    platform::smc::SmcDriver& smcDriver() const { return *driver_; }
    const platform::registry::PlatformNameSource& platformName() const { return *platformName_; }
    const platform::foundation::Bundle& mainBundle() const { return mainBundle_; }

private:
    const std::unique_ptr<platform::smc::SmcDriver> driver_;
    const std::unique_ptr<platform::registry::PlatformNameSource> platformName_;
    const platform::foundation::Bundle mainBundle_;
};

}  // namespace vrl
