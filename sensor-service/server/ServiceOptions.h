#pragma once
// The command line of vrlsensord.
#include <optional>
#include <string>
#include <vector>

namespace vrl {

struct ServiceOptions {
    std::optional<std::string> smcImage;
    bool smcDemo = false;
    std::optional<std::string> socketPath;
    bool help = false;
    bool version = false;
};

struct ParsedServiceOptions {
    std::optional<ServiceOptions> options;
    std::string error;
};

ParsedServiceOptions parseServiceOptions(const std::vector<std::string>& args);
std::string serviceUsage();

}  // namespace vrl
