#pragma once
// The command line of vrlsensors. Any thread, one parse at a time (getopt).
#include <optional>
#include <string>
#include <vector>

#include "platform/cli/CommandLine.h"

namespace vrl::client {

struct SensorsOptions {
    bool json = false;
    bool help = false;
    bool version = false;
    std::optional<double> watchSeconds;
    std::optional<std::string> socketPath;
};

using ParsedSensorsOptions = platform::cli::ParsedOptions<SensorsOptions>;

// Parses the arguments after the program name.
ParsedSensorsOptions parseSensorsOptions(const std::vector<std::string>& args);
std::string sensorsUsage();

}  // namespace vrl::client
