#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/notifications/FreedesktopNotificationCenter.h"

namespace {

using platform::notifications::FreedesktopNotificationCenter;
using platform::notifications::UserNotification;
using platform::notifications::UserNotificationCenter;

struct CountingDelegate final : platform::notifications::UserNotificationCenterDelegate {
    bool userNotificationCenterShouldPresentNotification(UserNotificationCenter&, const UserNotification&) override {
        ++asked;
        return answer;
    }
    bool answer = true;
    int asked = 0;
};

TEST(FreedesktopNotificationCenter, ReportsNotDeliveredWithoutASessionBus) {
    ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/vrl-test-bus", 1);
    FreedesktopNotificationCenter center("vrlupdatenotifier");
    CountingDelegate delegate;
    center.setDelegate(&delegate);
    UserNotification notification{"Title", "Text", "message-new-instant", true, false};
    EXPECT_FALSE(center.deliverNotification(notification));
    EXPECT_FALSE(center.deliverNotification(notification));  // retried, still no bus
    EXPECT_EQ(delegate.asked, 2);

    delegate.answer = false;
    EXPECT_FALSE(center.deliverNotification(notification));
    EXPECT_EQ(delegate.asked, 3);
}

}  // namespace
