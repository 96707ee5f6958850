#pragma once
// An lm-sensors configuration that gives applesmc's channels the service's
// titles, so that `sensors` and every libsensors tool show "CPU Proximity"
// where they showed "TC0P".
#include <string>
#include <vector>

#include "client/ApplesmcHwmon.h"
#include "client/ModelData.h"

namespace vrl::client {

struct SensorsConfig {
    std::string text;                // the configuration, for /etc/sensors.d/
    std::vector<std::string> notes;  // one line per titled reading the driver does not list
};

// `chip "applesmc-*"` with a `label fanN` line per titled fan (F%XAc is fan
// X+1) and a `label tempN` line per titled temperature (N from tempN_label),
// fans first, each group by N; then an `ignore tempN` for each temperature the
// SMC has no sensor behind (Reading::noSensor), which sensors would show at
// -127 degrees. A title loses the SMC's NUL padding; quotes, backslashes and
// control characters are written as C escapes, which is what the
// configuration's strings take. A reading whose key `channels` does not list
// gets no line, and a note instead. Never fails; any thread.
SensorsConfig formatSensorsConfig(const ModelData& modelData, const ApplesmcChannels& channels);

}  // namespace vrl::client
