#pragma once
// The update coordinator: reads the host application's feed address and
// installed version, wires the scheduler, downloader and parser together,
// runs one check cycle at a time and announces each newer version once.
//
// Contract: created, used and destroyed on the thread that runs the main
// io_context, where its collaborators also deliver their messages. Failed
// checks are logged and end the cycle; nothing throws out of a cycle.
#include <optional>
#include <string>

#include "update-notifier/app/CheckOutcome.h"
#include "update-notifier/app/HostInfo.h"
#include "update-notifier/app/NotifierSystem.h"
#include "update-notifier/feed/QMXMLDownloader.h"
#include "update-notifier/feed/QMXMLParser.h"
#include "update-notifier/scheduler/QMUpdateTimer.h"

namespace qm {

inline constexpr double kCheckInterval = 43200.0;  // 12 hours
inline constexpr const char* kCheckFailedLine = "Cannot check Vorrel Plugins Manager updates status";

class QMPluginsUpdater final : public QMUpdateTimerDelegate,
                               public QMXMLDownloaderDelegate,
                               public platform::notifications::UserNotificationCenterDelegate {
public:
    // Runs the start sequence: reads the host's Info.plist, builds the parser
    // (with the installed version), the downloader and a scheduler of period
    // `checkInterval` (positive), becomes the center's delegate and starts
    // the scheduler. A missing or unreadable Info.plist leaves the address
    // and version absent: every check then ends unreachable and is logged,
    // the reason once at debug priority. Each check's outcome is logged at debug priority: the
    // host unreachable, the download's failure, a feed that is no appcast,
    // up to date, or a newer version seen, all in the process log.
    // Requires: everything `system` refers to outlives the coordinator.
    QMPluginsUpdater(const NotifierSystem& system, double checkInterval);
    // Stops the scheduler, drops a running test or download unreported and
    // leaves the center without a delegate.
    ~QMPluginsUpdater() override;
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
    // The Info.plist is read once, before the members built from it.
    QMPluginsUpdater(const NotifierSystem& system, double checkInterval, const HostDetails& host);
    static HostDetails getUpdaterData(const NotifierSystem& system);
    void requestToNotify();
    void errorLog();
    void endCheckingUpdate();
    std::string sightingText(const CheckOutcome& outcome) const;
    std::string VRLLoc(const std::string& key) const;
    void showNotification(const std::string& text);

    platform::notifications::UserNotificationCenter& center;
    const platform::foundation::Bundle& notifierBundle;
    std::optional<std::string> feedurl;
    std::optional<std::string> currentInstalledVersion;
    QMXMLParser xmlParser;
    QMXMLDownloader xmlDownloader;
    QMUpdateTimer updaterTimer;
    bool isCurrentlyChecking_ = false;
    std::optional<std::string> lastVersionNotified;
};

}  // namespace qm
