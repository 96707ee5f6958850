#pragma once
// The update coordinator: reads the host application's feed address and
// installed version, wires the scheduler, downloader and parser together,
// runs one check cycle at a time and announces each newer version once.
//
// Contract: created, used and destroyed on the thread that runs the main
// io_context, where its collaborators also deliver their messages. Failed
// checks are logged and end the cycle; nothing throws out of a cycle.
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <asio/io_context.hpp>

#include "platform/notifications/UserNotificationCenter.h"
#include "update-notifier/feed/UpdateDownloader.h"
#include "update-notifier/feed/UpdateParser.h"
#include "update-notifier/scheduler/UpdateScheduler.h"

namespace qm {

inline constexpr double kCheckInterval = 43200.0;  // 12 hours
inline constexpr const char* kNotificationTitle = "Vorrel Plugins Manager";
inline constexpr const char* kNewVersionKey = "A new version is available";
inline constexpr const char* kCheckFailedLine = "Cannot check Vorrel Plugins Manager updates status";

// Everything the coordinator creates or talks to, handed to its constructor:
// the shared instance gets the real classes (QMUpdateTimer, QMXMLDownloader,
// QMXMLParser, the desktop notification service), tests get fakes. Every
// factory is called once, during construction; each must be set.
struct UpdaterEnvironment {
    std::filesystem::path hostInfoPlist;
    // Receives the percent-escaped feed address (absent without "SUFeedURL").
    std::function<std::unique_ptr<UpdateDownloader>(const std::optional<std::string>&)> makeDownloader;
    std::function<std::unique_ptr<UpdateParser>()> makeParser;
    std::function<std::unique_ptr<UpdateScheduler>(double interval)> makeScheduler;
    platform::notifications::UserNotificationCenter* notificationCenter = nullptr;
    std::function<std::string(const std::string& key)> localizedString;
    std::function<void(std::string_view)> log;
    double checkInterval = kCheckInterval;
};

class QMPluginsUpdater final : public QMUpdateTimerDelegate,
                               public QMXMLDownloaderDelegate,
                               public platform::notifications::UserNotificationCenterDelegate {
public:
    // The process-wide coordinator with the real collaborators, created on
    // the first call (the arguments of that call are used; later ones are
    // ignored) and never destroyed. Safe under concurrent first calls.
    static QMPluginsUpdater& sharedUpdater(asio::io_context& io, double checkInterval = kCheckInterval);

    // Runs the start sequence; the scheduler is running when this returns. A
    // missing or unreadable Info.plist leaves the address and version absent:
    // every check then ends unreachable and is logged.
    explicit QMPluginsUpdater(UpdaterEnvironment environment);
    QMPluginsUpdater(const QMPluginsUpdater&) = delete;
    QMPluginsUpdater& operator=(const QMPluginsUpdater&) = delete;

    void timeToCheckForUpdate() override;
    void internetConnectedContinueCheckForUpdate() override;
    void downloadFinished() override;

    bool userNotificationCenterShouldPresentNotification(
        platform::notifications::UserNotificationCenter& center,
        const platform::notifications::UserNotification& notification) override;

    bool isCurrentlyChecking() const { return isCurrentlyChecking_; }

private:
    void getUpdaterData();
    void requestToNotify();
    void errorLog();
    void endCheckingUpdate();
    std::string VRLLoc(const std::string& key) const;
    void showNotification(const std::string& text);

    UpdaterEnvironment env;
    std::unique_ptr<UpdateScheduler> updaterTimer;
    std::unique_ptr<UpdateDownloader> xmlDownloader;
    std::unique_ptr<UpdateParser> xmlParser;
    bool isCurrentlyChecking_ = false;
    std::optional<std::string> lastVersionNotified;
    std::optional<std::string> feedurl;
    std::optional<std::string> currentInstalledVersion;
};

}  // namespace qm
