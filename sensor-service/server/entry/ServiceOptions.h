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
    // --dump-image[=FILE]: the file to write the SMC image to, empty for
    // standard output; the service does not start.
    std::optional<std::string> dumpImage;
    bool help = false;
    bool version = false;
};

// Parses the arguments after the program name; a usage error names the
// argument at fault.
platform::Result<ServiceOptions> parseServiceOptions(const std::vector<std::string>& args);
std::string serviceUsage();

}  // namespace vrl
