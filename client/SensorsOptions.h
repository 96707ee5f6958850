#pragma once
// The command line of vrlsensors. Any thread, one parse at a time (getopt).
#include <optional>
#include <string>
#include <vector>

namespace vrl::client {

struct SensorsOptions {
    bool json = false;
    bool help = false;
    bool version = false;
    std::optional<double> watchSeconds;
    std::optional<std::string> socketPath;
};

struct ParsedSensorsOptions {
    std::optional<SensorsOptions> options;
    std::string error;  // a usage error naming the argument; set when options is empty
};

// Parses the arguments after the program name.
ParsedSensorsOptions parseSensorsOptions(const std::vector<std::string>& args);
std::string sensorsUsage();

}  // namespace vrl::client
