#pragma once
// The stand-in for NSUserNotificationCenter: delivers notifications and asks its
// delegate whether one may be shown. FreedesktopNotificationCenter is the real
// one, built once by the application's main function.
//
// Contract: one thread, the one that runs the application's main loop, makes
// every call and hears every question; no call throws. Delivery is
// synchronous: it may block for the notification service's answer (a few
// seconds at most), and the delegate is asked before it returns.
#include "platform/notifications/UserNotification.h"

namespace platform::notifications {

class UserNotificationCenter;

class UserNotificationCenterDelegate {
public:
    virtual ~UserNotificationCenterDelegate() = default;
    // Asked once for every delivery, before the notification leaves the
    // process: true lets it be shown even while this application is in front,
    // false drops it (the delivery then reports failure).
    virtual bool userNotificationCenterShouldPresentNotification(
        UserNotificationCenter& center, const UserNotification& notification) = 0;
};

class UserNotificationCenter {
public:
    virtual ~UserNotificationCenter() = default;
    // The center does not own its delegate. A delegate that goes away before
    // the center must first set null here; without a delegate every
    // notification is presented.
    virtual void setDelegate(UserNotificationCenterDelegate* delegate) = 0;
    // False when the notification was not handed to a notification service
    // (declined by the delegate, no service, no session bus); nothing is
    // retried, and nothing else reports the failure.
    virtual bool deliverNotification(const UserNotification& notification) = 0;
};

}  // namespace platform::notifications
