#include "sensor-service/server/ServiceOptions.h"

namespace vrl {

ParsedServiceOptions parseServiceOptions(const std::vector<std::string>& args) {
    ServiceOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--smc-demo") {
            options.smcDemo = true;
        } else if ((arg == "--smc-image" || arg == "--socket") && hasValue) {
            (arg == "--smc-image" ? options.smcImage : options.socketPath) = args[++i];
        } else {
            return {std::nullopt, "unknown or incomplete option: " + arg};
        }
    }
    if (options.smcDemo && options.smcImage) return {std::nullopt, "--smc-demo and --smc-image exclude each other"};
    return {options, {}};
}

std::string serviceUsage() {
    return "usage: vrlsensord [--smc-image FILE | --smc-demo] [--socket PATH]\n"
           "  --smc-image FILE  run on a simulated SMC image (re-read when the file changes)\n"
           "  --smc-demo        run on the built-in simulated Mac\n"
           "  --socket PATH     listen on PATH instead of the default endpoint\n"
           "  --help, --version\n"
           "Without an SMC option the applesmc driver is used where it exists.\n";
}

}  // namespace vrl
