#pragma once
// The command line of vrlsensors. Any thread, one parse at a time (getopt).
#include <optional>
#include <string>
#include <vector>

#include "platform/cli/CommandLine.h"

namespace vrl::client {

enum class OutputFormat { table, json, prometheus, sensorsConf };

struct SensorsOptions {
    OutputFormat format = OutputFormat::table;
    bool help = false;
    bool version = false;
    std::optional<double> watchSeconds;
    std::optional<std::string> socketPath;
    std::optional<std::string> outputPath;  // replace this file instead of writing to standard output
};

// The --watch periods accepted: a tenth of a second is faster than any
// sensor changes, a day the longest wait that still reads as watching.
inline constexpr platform::cli::SecondsRange kWatchRange{0.1, 86400};

// Parses the arguments after the program name. Two different formats
// (--json beside --format=prometheus), --watch outside kWatchRange or with
// the one-off sensors-conf, and an empty --socket or --output are usage
// errors, named in the error's message.
platform::Result<SensorsOptions> parseSensorsOptions(const std::vector<std::string>& args);
std::string sensorsUsage();

}  // namespace vrl::client
