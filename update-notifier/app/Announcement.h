#pragma once
// How the notifier tells the user of a newer version, from the running
// coordinator and from a one-shot check alike.
#include <string>

#include "platform/foundation/Bundle.h"
#include "platform/notifications/UserNotificationCenter.h"

namespace qm {

inline constexpr const char* kNotificationTitle = "Vorrel Plugins Manager";
inline constexpr const char* kNewVersionKey = "A new version is available";

// The translation of `key` in the notifier bundle's "Localizable" table, or
// the key itself. One thread at a time per bundle.
std::string localizedString(const platform::foundation::Bundle& notifierBundle, const std::string& key);

// Delivers `text` as the notifier's notification; without a notification
// service, logs it at notice priority instead, where the user or an
// administrator can still find it. The thread of `center`.
void showAnnouncement(platform::notifications::UserNotificationCenter& center, const std::string& text);

}  // namespace qm
