#pragma once
// Notifications through org.freedesktop.Notifications on the session bus,
// with the contract of UserNotificationCenter.
// The bus is opened on the first delivery and kept; a failed open is retried
// on the next delivery, so a notification service started later is found.
#include <string>

#include "platform/notifications/UserNotificationCenter.h"

struct sd_bus;

namespace platform::notifications {

class FreedesktopNotificationCenter final : public UserNotificationCenter {
public:
    // `appName` is also the name of the program's desktop entry, without
    // ".desktop"; `iconName` an icon-theme name (the default is in every theme).
    explicit FreedesktopNotificationCenter(std::string appName,
                                           std::string iconName = "software-update-available");
    ~FreedesktopNotificationCenter() override;
    FreedesktopNotificationCenter(const FreedesktopNotificationCenter&) = delete;
    FreedesktopNotificationCenter& operator=(const FreedesktopNotificationCenter&) = delete;

    void setDelegate(UserNotificationCenterDelegate* delegate) override { delegate_ = delegate; }
    bool deliverNotification(const UserNotification& notification) override;

private:
    bool ensureBus();
    bool callNotify(const UserNotification& notification);

    std::string appName_;
    std::string iconName_;
    UserNotificationCenterDelegate* delegate_ = nullptr;
    sd_bus* bus_ = nullptr;
};

}  // namespace platform::notifications
