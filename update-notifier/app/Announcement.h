#pragma once
// How the notifier tells the user of a newer version, from the running
// coordinator and from a one-shot check alike.
#include <string>

#include "platform/notifications/UserNotificationCenter.h"
#include "update-notifier/app/UpdaterEnvironment.h"

namespace qm {

inline constexpr const char* kNotificationTitle = "Vorrel Plugins Manager";
inline constexpr const char* kNewVersionKey = "A new version is available";

// Delivers `text` as the notifier's notification; without a notification
// service, logs it at notice priority instead, where the user or an
// administrator can still find it. The thread of `environment`.
void showAnnouncement(UpdaterEnvironment& environment, platform::notifications::UserNotificationCenter& center,
                      const std::string& text);

}  // namespace qm
