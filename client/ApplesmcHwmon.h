#pragma once
// Where the kernel's applesmc driver shows its readings to hwmon tools, and
// which channel number each SMC key has there: what lm-sensors' labels refer
// to.
//
// The kernel lists every hwmon device under /sys/class/hwmon/hwmonN. A driver
// registered the old way (applesmc is one) gives that directory no `name` and
// no readings: both live in the parent device's directory, which `device`
// links to (/sys/devices/platform/applesmc.768). tempN_label holds the SMC key
// of temperature channel N; fanN_input is the speed of the fan the SMC numbers
// N-1 (F%XAc with X = N-1), whose label is its place, not a key.
#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "platform/foundation/Result.h"

namespace vrl::client {

struct ApplesmcChannels {
    std::filesystem::path attributeDirectory;     // where tempN_label and fanN_input are
    std::map<std::string, int> temperatureByKey;  // "TC0P" -> N of tempN; the lowest N where a key repeats
    std::set<int> fans;                           // every N that has a fanN_input
};

// Looks through `sysfsRoot`/class/hwmon for the device named "applesmc"
// (its own `name`, else its parent device's) and reads its channels. Fails,
// with a message naming the place looked at, where no such device exists or
// it shows no channel. Reads only; never throws; any thread.
platform::Result<ApplesmcChannels> findApplesmcChannels(const std::filesystem::path& sysfsRoot = "/sys");

}  // namespace vrl::client
