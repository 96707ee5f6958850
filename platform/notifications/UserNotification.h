#pragma once
// What one announcement carries, in the terms of a desktop notification.
#include <string>

namespace platform::notifications {

struct UserNotification {
    std::string title;
    std::string informativeText;
    std::string soundName;  // a freedesktop sound-theme name; empty for silence
    bool hasActionButton = false;
    bool hasReplyButton = false;
};

// The sound-theme name of a standard incoming-message sound.
inline constexpr const char* kDefaultSoundName = "message-new-instant";

}  // namespace platform::notifications
