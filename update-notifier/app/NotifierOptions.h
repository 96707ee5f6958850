#pragma once
// The command line of vrlupdatenotifier. Any thread, one parse at a time (getopt).
#include <optional>
#include <string>
#include <vector>

#include "platform/cli/CommandLine.h"

namespace qm {

// The --interval periods accepted. Below a second, checks (a reachability
// test and a download each) would come faster than they end and only load the
// feed's server; above 30 days, the first check, two periods after the start,
// would come so late that the notifier seems never to run.
inline constexpr platform::cli::SecondsRange kIntervalRange{1, 30 * 86400};

struct NotifierOptions {
    std::optional<double> intervalSeconds;  // replaces the 12-hour check period
    bool checkNow = false;                  // one check at once, its outcome on standard error
    bool notify = false;                    // with checkNow: announce a newer version as the service does
    bool help = false;
    bool version = false;
};

// Parses the arguments after the program name. --interval outside
// kIntervalRange, --interval with --check-now, and --notify without it are
// usage errors, named in the error's message.
platform::Result<NotifierOptions> parseNotifierOptions(const std::vector<std::string>& args);
std::string notifierUsage();

}  // namespace qm
