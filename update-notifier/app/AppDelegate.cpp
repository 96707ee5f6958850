#include "update-notifier/app/AppDelegate.h"

#include "update-notifier/app/QMPluginsUpdater.h"

namespace qm {

void AppDelegate::applicationDidFinishLaunching() { QMPluginsUpdater::sharedUpdater(io, checkInterval); }

}  // namespace qm
