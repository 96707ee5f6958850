#include "platform/notifications/FreedesktopNotificationCenter.h"
#include "update-notifier/app/QMPluginsUpdater.h"
#include "update-notifier/app/RealCollaborators.h"

namespace qm {

QMPluginsUpdater& QMPluginsUpdater::sharedUpdater(asio::io_context& io, double checkInterval) {
    // Created once and never destroyed: the coordinator's timers and sockets
    // belong to the main io_context and must not be torn down after it.
    static auto* const center = new platform::notifications::FreedesktopNotificationCenter("vrlupdatenotifier");
    static auto* const updater = new QMPluginsUpdater(realUpdaterEnvironment(io, checkInterval, *center));
    return *updater;
}

}  // namespace qm
