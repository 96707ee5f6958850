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

using ParsedSensorsOptions = platform::cli::ParsedOptions<SensorsOptions>;

// Parses the arguments after the program name. Two different formats
// (--json beside --format=prometheus), --watch with the one-off
// sensors-conf, and an empty --socket or --output are usage errors.
ParsedSensorsOptions parseSensorsOptions(const std::vector<std::string>& args);
std::string sensorsUsage();

}  // namespace vrl::client
