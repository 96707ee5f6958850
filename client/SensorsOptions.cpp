#include "client/SensorsOptions.h"

#include "platform/cli/CommandLine.h"

namespace vrl::client {

ParsedSensorsOptions parseSensorsOptions(const std::vector<std::string>& args) {
    const platform::cli::CommandLine line = platform::cli::parseCommandLine(
        args, {{"json", 'j', false}, {"watch", 'w', true}, {"socket", 's', true}, {"help", 'h', false},
               {"version", 0, false}});
    if (!line.error.empty()) return {std::nullopt, line.error};
    SensorsOptions options;
    for (const platform::cli::GivenOption& given : line.options) {
        if (given.name == "json") options.json = true;
        else if (given.name == "help") options.help = true;
        else if (given.name == "version") options.version = true;
        else if (given.name == "socket") options.socketPath = given.value;
        else if (!(options.watchSeconds = platform::cli::parsePositiveSeconds(given.value)))
            return {std::nullopt, "--watch needs a positive number of seconds, not '" + given.value + "'"};
    }
    if (options.socketPath && options.socketPath->empty()) return {std::nullopt, "--socket needs a path"};
    return {options, {}};
}

std::string sensorsUsage() {
    return "Usage: vrlsensors [OPTION]...\n"
           "Shows the temperatures and fan speeds the Vorrel sensor service reads.\n"
           "\n"
           "  -j, --json            print the model data as JSON, as received\n"
           "  -w, --watch=SECONDS   show the readings again every SECONDS, until interrupted\n"
           "  -s, --socket=PATH     the service's socket (default: the system's service,\n"
           "                        then one in $XDG_RUNTIME_DIR)\n"
           "  -h, --help            show this text\n"
           "      --version         show the version\n"
           "\n"
           "Exit status: 0 readings shown, 1 failure, 2 usage error, 3 refused by the\n"
           "service, 4 the service has no sensors.\n";
}

}  // namespace vrl::client
