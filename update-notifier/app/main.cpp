// vrlupdatenotifier: tells the user when the host application has a newer
// version published on its update feed.
#include <cstdio>
#include <exception>

#include "platform/cli/CommandLine.h"
#include "update-notifier/app/ApplicationMain.h"
#include "update-notifier/app/NotifierOptions.h"
#include "update-notifier/app/QMPluginsUpdater.h"

namespace {

int run(int argc, char** argv) {
    const auto parsed = qm::parseNotifierOptions({argv + 1, argv + argc});
    if (!parsed) {
        std::fputs(platform::cli::usageErrorText("vrlupdatenotifier", parsed.error().message).c_str(), stderr);
        return platform::cli::kUsageExitStatus;
    }
    if (parsed->help) {
        std::fputs(qm::notifierUsage().c_str(), stdout);
        return 0;
    }
    if (parsed->version) {
        std::puts("vrlupdatenotifier " VRL_VERSION);
        return 0;
    }
    if (parsed->checkNow) return qm::CheckOnceMain(parsed->notify);
    return qm::ApplicationMain(parsed->intervalSeconds.value_or(qm::kCheckInterval));
}

}  // namespace

// Every failure foreseen is logged and the notifier goes on; this is the last
// line for one that is not, which must still not end in an abort.
int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const std::exception& unforeseen) {
        std::fprintf(stderr, "vrlupdatenotifier: %s\n", unforeseen.what());
        return 1;
    }
}
