#pragma once
// The command line of vrlupdatenotifier. Any thread, one parse at a time (getopt).
#include <optional>
#include <string>
#include <vector>

#include "platform/cli/CommandLine.h"

namespace qm {

struct NotifierOptions {
    std::optional<double> intervalSeconds;  // replaces the 12-hour check period
    bool help = false;
    bool version = false;
};

using ParsedNotifierOptions = platform::cli::ParsedOptions<NotifierOptions>;

// Parses the arguments after the program name.
ParsedNotifierOptions parseNotifierOptions(const std::vector<std::string>& args);
std::string notifierUsage();

}  // namespace qm
