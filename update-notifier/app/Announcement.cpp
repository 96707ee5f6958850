#include "update-notifier/app/Announcement.h"

#include "platform/log/SystemLog.h"

namespace qm {

std::string localizedString(const platform::foundation::Bundle& notifierBundle, const std::string& key) {
    return notifierBundle.localizedStringForKey(key, "", "Localizable");
}

void showAnnouncement(platform::notifications::UserNotificationCenter& center, const std::string& text) {
    platform::notifications::UserNotification notification;
    notification.title = kNotificationTitle;
    notification.informativeText = text;
    notification.soundName = platform::notifications::kDefaultSoundName;
    notification.hasActionButton = true;
    notification.hasReplyButton = false;
    if (!center.deliverNotification(notification))
        platform::log::systemLog(std::string(kNotificationTitle) + ": " + text);
}

}  // namespace qm
