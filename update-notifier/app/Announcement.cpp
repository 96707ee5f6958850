#include "update-notifier/app/Announcement.h"

namespace qm {

void showAnnouncement(UpdaterEnvironment& environment, platform::notifications::UserNotificationCenter& center,
                      const std::string& text) {
    platform::notifications::UserNotification notification;
    notification.title = kNotificationTitle;
    notification.informativeText = text;
    notification.soundName = platform::notifications::kDefaultSoundName;
    notification.hasActionButton = true;
    notification.hasReplyButton = false;
    if (!center.deliverNotification(notification))
        environment.log(platform::log::Priority::notice, std::string(kNotificationTitle) + ": " + text);
}

}  // namespace qm
