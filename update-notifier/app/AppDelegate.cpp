#include "update-notifier/app/AppDelegate.h"

namespace qm {

void AppDelegate::applicationDidFinishLaunching() {
    if (!pluginsupdater_) pluginsupdater_ = std::make_unique<QMPluginsUpdater>(system, checkInterval);
}

void AppDelegate::applicationWillTerminate() { pluginsupdater_.reset(); }

}  // namespace qm
