#include "update-notifier/app/NotifierOptions.h"

#include "platform/cli/CommandLine.h"

namespace qm {

ParsedNotifierOptions parseNotifierOptions(const std::vector<std::string>& args) {
    const platform::cli::CommandLine line =
        platform::cli::parseCommandLine(args, {{"interval", 0, true}, {"help", 'h', false}, {"version", 0, false}});
    if (!line.error.empty()) return {std::nullopt, line.error};
    NotifierOptions options;
    for (const platform::cli::GivenOption& given : line.options) {
        if (given.name == "help") options.help = true;
        else if (given.name == "version") options.version = true;
        else if (!(options.intervalSeconds = platform::cli::parsePositiveSeconds(given.value)))
            return {std::nullopt, "--interval needs a positive number of seconds, not '" + given.value + "'"};
    }
    return {options, {}};
}

std::string notifierUsage() {
    return "Usage: vrlupdatenotifier [OPTION]...\n"
           "Checks the host application's update feed and announces a newer version\n"
           "with a desktop notification.\n"
           "\n"
           "      --interval=SECONDS  period of the check timer (default 43200); the first\n"
           "                          check comes after two periods. For testing and trying.\n"
           "  -h, --help              show this text\n"
           "      --version           show the version\n";
}

}  // namespace qm
