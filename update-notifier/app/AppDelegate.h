#pragma once
// The application delegate: owns the one update coordinator from launch to
// termination.
//
// Contract: every call on the thread that runs the main io_context. The
// environment and the notification center outlive the delegate.
#include <memory>

#include "platform/notifications/UserNotificationCenter.h"
#include "update-notifier/app/QMPluginsUpdater.h"
#include "update-notifier/app/UpdaterEnvironment.h"

namespace qm {

class AppDelegate {
public:
    // Nothing starts before the launch. Requires: a positive interval.
    AppDelegate(UpdaterEnvironment& environment, platform::notifications::UserNotificationCenter& center,
                double checkInterval)
        : environment(environment), center(center), checkInterval(checkInterval) {}

    // Creates the coordinator, which reads its configuration and starts the
    // scheduler; failures there only show as failed checks. A second launch
    // does nothing.
    void applicationDidFinishLaunching();
    // Ends the coordinator: its timer stops and a running check is dropped,
    // so nothing of it is left on the io_context. Harmless when not launched.
    void applicationWillTerminate();

    // The coordinator between launch and termination; null otherwise.
    QMPluginsUpdater* pluginsupdater() const { return pluginsupdater_.get(); }

private:
    UpdaterEnvironment& environment;
    platform::notifications::UserNotificationCenter& center;
    double checkInterval;
    std::unique_ptr<QMPluginsUpdater> pluginsupdater_;
};

}  // namespace qm
