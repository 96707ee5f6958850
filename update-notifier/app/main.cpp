// vrlupdatenotifier: tells the user when the host application has a newer
// version published on its update feed.
#include <cstdio>

#include "platform/cli/CommandLine.h"
#include "update-notifier/app/ApplicationMain.h"
#include "update-notifier/app/NotifierOptions.h"
#include "update-notifier/app/QMPluginsUpdater.h"

int main(int argc, char** argv) {
    const qm::ParsedNotifierOptions parsed = qm::parseNotifierOptions({argv + 1, argv + argc});
    if (!parsed.options) {
        std::fputs(platform::cli::usageErrorText("vrlupdatenotifier", parsed.error).c_str(), stderr);
        return platform::cli::kUsageExitStatus;
    }
    if (parsed.options->help) {
        std::fputs(qm::notifierUsage().c_str(), stdout);
        return 0;
    }
    if (parsed.options->version) {
        std::puts("vrlupdatenotifier " VRL_VERSION);
        return 0;
    }
    return qm::ApplicationMain(parsed.options->intervalSeconds.value_or(qm::kCheckInterval));
}
