#include "platform/notifications/FreedesktopNotificationCenter.h"

#include <systemd/sd-bus.h>

#include <cstdint>
#include <utility>

namespace platform::notifications {
namespace {

constexpr const char* kService = "org.freedesktop.Notifications";
constexpr const char* kObjectPath = "/org/freedesktop/Notifications";
constexpr const char* kInterface = "org.freedesktop.Notifications";
// Servers show the "default" action as the notification's own activation
// (or as a button labelled with this text).
constexpr const char* kDefaultActionTitle = "Show";
constexpr std::uint64_t kCallTimeoutMicroseconds = 5'000'000;

class MessageRef {
public:
    ~MessageRef() { sd_bus_message_unref(message_); }
    sd_bus_message** out() { return &message_; }
    sd_bus_message* get() const { return message_; }

private:
    sd_bus_message* message_ = nullptr;
};

int appendActions(sd_bus_message* m, const UserNotification& n) {
    int r = sd_bus_message_open_container(m, 'a', "s");
    if (r >= 0 && n.hasActionButton) r = sd_bus_message_append(m, "ss", "default", kDefaultActionTitle);
    return r < 0 ? r : sd_bus_message_close_container(m);
}

// "desktop-entry" lets the server group the notification under the program's
// desktop entry (its name without ".desktop") and apply the user's settings.
int appendHints(sd_bus_message* m, const UserNotification& n, const std::string& desktopEntry) {
    int r = sd_bus_message_open_container(m, 'a', "{sv}");
    if (r >= 0) r = sd_bus_message_append(m, "{sv}", "desktop-entry", "s", desktopEntry.c_str());
    if (r >= 0 && !n.soundName.empty()) r = sd_bus_message_append(m, "{sv}", "sound-name", "s", n.soundName.c_str());
    return r < 0 ? r : sd_bus_message_close_container(m);
}

}  // namespace

FreedesktopNotificationCenter::FreedesktopNotificationCenter(std::string appName, std::string iconName)
    : appName_(std::move(appName)), iconName_(std::move(iconName)) {}

FreedesktopNotificationCenter::~FreedesktopNotificationCenter() { sd_bus_flush_close_unref(bus_); }

bool FreedesktopNotificationCenter::deliverNotification(const UserNotification& notification) {
    if (delegate_ && !delegate_->userNotificationCenterShouldPresentNotification(*this, notification))
        return false;
    return ensureBus() && callNotify(notification);
}

bool FreedesktopNotificationCenter::ensureBus() {
    if (bus_) return true;
    if (sd_bus_open_user(&bus_) < 0) {
        bus_ = nullptr;
        return false;
    }
    return true;
}

bool FreedesktopNotificationCenter::callNotify(const UserNotification& notification) {
    MessageRef call;
    int r = sd_bus_message_new_method_call(bus_, call.out(), kService, kObjectPath, kInterface, "Notify");
    if (r >= 0)
        r = sd_bus_message_append(call.get(), "susss", appName_.c_str(), std::uint32_t{0}, iconName_.c_str(),
                                  notification.title.c_str(), notification.informativeText.c_str());
    if (r >= 0) r = appendActions(call.get(), notification);
    if (r >= 0) r = appendHints(call.get(), notification, appName_);
    if (r >= 0) r = sd_bus_message_append(call.get(), "i", std::int32_t{-1});
    if (r < 0) return false;

    sd_bus_error error{};  // SD_BUS_ERROR_NULL, which is a C compound literal
    MessageRef reply;
    r = sd_bus_call(bus_, call.get(), kCallTimeoutMicroseconds, &error, reply.out());
    sd_bus_error_free(&error);
    if (r < 0 && !sd_bus_is_open(bus_)) {
        // A lost connection is reopened on the next delivery.
        sd_bus_flush_close_unref(bus_);
        bus_ = nullptr;
    }
    return r >= 0;
}

}  // namespace platform::notifications
