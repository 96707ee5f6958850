#pragma once
// The command line of vrlupdatenotifier. Any thread, one parse at a time (getopt).
#include <optional>
#include <string>
#include <vector>

namespace qm {

struct NotifierOptions {
    std::optional<double> intervalSeconds;  // replaces the 12-hour check period
    bool help = false;
    bool version = false;
};

struct ParsedNotifierOptions {
    std::optional<NotifierOptions> options;
    std::string error;  // a usage error naming the argument; set when options is empty
};

// Parses the arguments after the program name.
ParsedNotifierOptions parseNotifierOptions(const std::vector<std::string>& args);
std::string notifierUsage();

}  // namespace qm
