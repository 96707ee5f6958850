#include "sensor-service/server/entry/ServiceOptions.h"

#include "platform/cli/CommandLine.h"

namespace vrl {

platform::Result<ServiceOptions> parseServiceOptions(const std::vector<std::string>& args) {
    const auto line = platform::cli::parseCommandLine(
        args, {{"smc-image", 0, true}, {"smc-demo", 0, false}, {"socket", 0, true}, {"help", 'h', false},
               {"version", 0, false}, {"dump-image", 0, true, true}});
    if (!line) return tl::unexpected(line.error());
    ServiceOptions options;
    for (const platform::cli::GivenOption& given : *line) {
        if (given.name == "help") options.help = true;
        else if (given.name == "version") options.version = true;
        else if (given.name == "smc-demo") options.smcDemo = true;
        else if (given.name == "dump-image") options.dumpImage = given.value;
        else if (given.value.empty()) return platform::fail("--" + given.name + " needs a path");
        else (given.name == "smc-image" ? options.smcImage : options.socketPath) = given.value;
    }
    if (options.smcDemo && options.smcImage) return platform::fail("--smc-demo and --smc-image exclude each other");
    if (options.dumpImage && (options.smcDemo || options.smcImage))
        return platform::fail("--dump-image reads the applesmc driver and excludes --smc-demo and --smc-image");
    return options;
}

std::string serviceUsage() {
    return "Usage: vrlsensord [OPTION]...\n"
           "Serves the Mac's temperatures and fan speeds to the Vorrel application.\n"
           "\n"
           "      --smc-image=FILE  run on a simulated SMC image, a regular JSON file of at\n"
           "                        most 4 MiB (re-read when the file changes)\n"
           "      --smc-demo        run on the built-in simulated Mac\n"
           "      --socket=PATH     listen on PATH (at most 107 bytes) instead of the default\n"
           "                        endpoint\n"
           "      --dump-image[=FILE]\n"
           "                        write the applesmc driver's SMC as an SMC image to FILE\n"
           "                        (standard output without one) and exit; needs root\n"
           "  -h, --help            show this text\n"
           "      --version         show the version\n"
           "Without an SMC option the applesmc driver is used where it exists.\n"
           "\n"
           "Exit status: 0 stopped by SIGTERM, SIGINT or SIGHUP, 1 cannot start,\n"
           "2 usage error. With --dump-image: 0 written, 1 SMC or file failed, 3 not root.\n";
}

}  // namespace vrl
