#pragma once
// The command line of vrlsensord. Any thread, one parse at a time (getopt).
#include <optional>
#include <string>
#include <vector>

#include "platform/cli/CommandLine.h"

namespace vrl {

struct ServiceOptions {
    std::optional<std::string> smcImage;
    bool smcDemo = false;
    std::optional<std::string> socketPath;
    bool help = false;
    bool version = false;
};

using ParsedServiceOptions = platform::cli::ParsedOptions<ServiceOptions>;

// Parses the arguments after the program name.
ParsedServiceOptions parseServiceOptions(const std::vector<std::string>& args);
std::string serviceUsage();

}  // namespace vrl
