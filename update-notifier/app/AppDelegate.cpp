#include "update-notifier/app/AppDelegate.h"

namespace qm {

void AppDelegate::applicationDidFinishLaunching() {
    pluginsupdater = &QMPluginsUpdater::sharedUpdater(io, checkInterval);
}

}  // namespace qm
