// vrlupdatenotifier: tells the user when the host application has a newer
// version published on its update feed.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string_view>

#include "update-notifier/app/ApplicationMain.h"
#include "update-notifier/app/QMPluginsUpdater.h"

namespace {

constexpr const char* kUsage =
    "Usage: vrlupdatenotifier [--interval SECONDS]\n"
    "Checks the host application's update feed and announces a newer version\n"
    "with a desktop notification.\n"
    "  --interval SECONDS  period of the check timer (default 43200); the first\n"
    "                      check comes after two periods. For testing and trying.\n"
    "  --help              show this text\n"
    "  --version           show the version\n";

std::optional<double> parseSeconds(std::string_view text) {
    double seconds = 0;
    const auto* end = text.data() + text.size();
    const auto [next, error] = std::from_chars(text.data(), end, seconds);
    if (error != std::errc{} || next != end || !std::isfinite(seconds) || seconds <= 0) return std::nullopt;
    return seconds;
}

int usageError(const char* message, std::string_view argument) {
    std::fprintf(stderr, "vrlupdatenotifier: %s: %.*s\n%s", message, static_cast<int>(argument.size()),
                 argument.data(), kUsage);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    double interval = qm::kCheckInterval;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (argument == "--version") {
            std::puts("vrlupdatenotifier " VRL_VERSION);
            return 0;
        }
        if (argument != "--interval") return usageError("unknown argument", argument);
        if (i + 1 == argc) return usageError("missing value for", argument);
        const auto seconds = parseSeconds(argv[++i]);
        if (!seconds) return usageError("not a positive number of seconds", argv[i]);
        interval = *seconds;
    }
    return qm::ApplicationMain(interval);
}
