#pragma once
// The application delegate: owns the one update coordinator from launch to
// termination.
//
// Contract: every call on the thread that runs the main io_context.
// Everything the system refers to outlives the delegate.
#include <memory>

#include "update-notifier/app/NotifierSystem.h"
#include "update-notifier/app/QMPluginsUpdater.h"

namespace qm {

class AppDelegate {
public:
    // Nothing starts before the launch. Requires: a positive interval.
    AppDelegate(const NotifierSystem& system, double checkInterval) : system(system), checkInterval(checkInterval) {}

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
    const NotifierSystem system;
    double checkInterval;
    std::unique_ptr<QMPluginsUpdater> pluginsupdater_;
};

}  // namespace qm
