#pragma once
// Adapters from the coordinator's collaborator interfaces to the real
// scheduler, feed downloader and appcast parser, and the environment the
// shared coordinator runs in.
#include "platform/notifications/UserNotificationCenter.h"
#include "update-notifier/app/QMPluginsUpdater.h"

#include <asio/io_context.hpp>

namespace qm {

// Host Info.plist, notifier bundle and system log of the running executable.
UpdaterEnvironment realUpdaterEnvironment(asio::io_context& io, double checkInterval,
                                          platform::notifications::UserNotificationCenter& center);

}  // namespace qm
