#include "update-notifier/app/NotifierOptions.h"

#include "platform/cli/CommandLine.h"

namespace qm {
namespace {

platform::Result<void> checkConsistent(const NotifierOptions& options) {
    if (options.checkNow && options.intervalSeconds)
        return platform::fail("--interval does not go with --check-now, which checks once");
    if (options.notify && !options.checkNow) return platform::fail("--notify goes only with --check-now");
    return {};
}

}  // namespace

platform::Result<NotifierOptions> parseNotifierOptions(const std::vector<std::string>& args) {
    const auto line = platform::cli::parseCommandLine(args, {{"interval", 0, true},
                                                             {"check-now", 0, false},
                                                             {"notify", 0, false},
                                                             {"help", 'h', false},
                                                             {"version", 0, false}});
    if (!line) return tl::unexpected(line.error());
    NotifierOptions options;
    for (const platform::cli::GivenOption& given : *line) {
        if (given.name == "help") options.help = true;
        else if (given.name == "version") options.version = true;
        else if (given.name == "check-now") options.checkNow = true;
        else if (given.name == "notify") options.notify = true;
        else if (const auto seconds = platform::cli::parseSeconds("--interval", given.value, kIntervalRange))
            options.intervalSeconds = *seconds;
        else return tl::unexpected(seconds.error());
    }
    if (auto consistent = checkConsistent(options); !consistent) return tl::unexpected(consistent.error());
    return options;
}

std::string notifierUsage() {
    return "Usage: vrlupdatenotifier [OPTION]...\n"
           "Checks the host application's update feed and announces a newer version\n"
           "with a desktop notification.\n"
           "\n"
           "      --interval=SECONDS  period of the check timer (default 43200, at least 1,\n"
           "                          at most 2592000: 30 days); the first check comes\n"
           "                          after two periods. For testing and trying.\n"
           "      --check-now         check once, at once, say the outcome on standard\n"
           "                          error and exit; no notification unless --notify\n"
           "      --notify            with --check-now: announce a newer version as the\n"
           "                          running notifier would\n"
           "  -h, --help              show this text\n"
           "      --version           show the version\n"
           "\n"
           "Exit status: 0 (--check-now: up to date), 1 failure (--check-now: the check\n"
           "failed, the reason on standard error), 2 usage error, 3 (--check-now) a newer\n"
           "version is published.\n";
}

}  // namespace qm
