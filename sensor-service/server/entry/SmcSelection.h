#pragma once
// Which machine the service runs on: the SMC it talks to and where the Mac's
// model name comes from, chosen once from the command line.
#include <filesystem>
#include <memory>

#include "platform/foundation/Result.h"
#include "sensor-service/machine/SensorMachine.h"
#include "sensor-service/server/entry/ServiceOptions.h"

namespace vrl {

// --smc-demo: the built-in image; --smc-image: the file, followed as it
// changes; otherwise the applesmc driver at appleSmcDirectory (the kernel's:
// platform::smc::kAppleSmcDirectory) and the DMI model name. A simulated
// image names its own model. The bundle is the executable's. Logs one line
// naming the SMC in use: a simulated one at notice priority, applesmc at info,
// and at info too why there is none (no driver at the directory, or
// key_at_index not writable), which shows later as an SMC that fails to open.
// Fails, with nothing logged, only when an image file cannot be loaded. Call
// once, before the service's threads start.
platform::Result<std::unique_ptr<SensorMachine>> selectMachine(const ServiceOptions& options,
                                                               const std::filesystem::path& appleSmcDirectory);

}  // namespace vrl
