#pragma once
// The stand-in for NSUserNotificationCenter: delivers notifications and asks its
// delegate whether one may be shown.
#include "platform/notifications/UserNotification.h"

namespace platform::notifications {

class UserNotificationCenter;

class UserNotificationCenterDelegate {
public:
    virtual ~UserNotificationCenterDelegate() = default;
    virtual bool userNotificationCenterShouldPresentNotification(
        UserNotificationCenter& center, const UserNotification& notification) = 0;
};

class UserNotificationCenter {
public:
    virtual ~UserNotificationCenter() = default;
    virtual void setDelegate(UserNotificationCenterDelegate* delegate) = 0;
    // False when the notification was not handed to a notification service
    // (declined by the delegate, no service, no session bus).
    virtual bool deliverNotification(const UserNotification& notification) = 0;
};

}  // namespace platform::notifications
