#include "update-notifier/app/QMPluginsUpdater.h"

#include <utility>

#include "platform/log/SystemLog.h"
#include "update-notifier/app/Announcement.h"
#include "update-notifier/app/CheckOutcome.h"
#include "update-notifier/app/FeedAddress.h"
#include "update-notifier/feed/VersionValue.h"

namespace qm {

QMPluginsUpdater::QMPluginsUpdater(const NotifierSystem& system, double checkInterval)
    : QMPluginsUpdater(system, checkInterval, getUpdaterData(system)) {}

QMPluginsUpdater::QMPluginsUpdater(const NotifierSystem& system, double checkInterval, const HostDetails& host)
    : center(system.center),
      notifierBundle(system.notifierBundle),
      feedurl(host.feedAddress),
      currentInstalledVersion(host.installedVersion),
      xmlParser(currentInstalledVersion),
      xmlDownloader(system.io, system.reachability, system.http, *this, feedUrlOf(feedurl)),
      updaterTimer(system.timers, *this, checkInterval) {
    center.setDelegate(this);
    updaterTimer.startTimer();
}

QMPluginsUpdater::~QMPluginsUpdater() { center.setDelegate(nullptr); }

HostDetails QMPluginsUpdater::getUpdaterData(const NotifierSystem& system) {
    const auto file = hostInfoPlistOf(system.notifierBundle);
    auto host = readHostDetails(file);
    if (!host) {
        platform::log::debugLog(host.error().message + ": no check can succeed");
        return {};
    }
    if (!host->feedAddress) platform::log::debugLog(missingFeedAddressReason(file) + ": no check can succeed");
    return std::move(*host);
}

void QMPluginsUpdater::timeToCheckForUpdate() {
    if (isCurrentlyChecking_) return;
    isCurrentlyChecking_ = true;
    xmlDownloader.checkIfInternetConnection();
}

void QMPluginsUpdater::internetConnectedContinueCheckForUpdate() {
    if (!xmlDownloader.isNetWorkReachable()) {
        platform::log::debugLog("check: " + xmlDownloader.failureReason());
        errorLog();
        endCheckingUpdate();
        return;
    }
    xmlDownloader.startDownload();
}

void QMPluginsUpdater::downloadFinished() {
    const auto& content = xmlDownloader.xmlcontent();
    if (!content || content->empty()) {
        platform::log::debugLog("check: feed download failed: " + xmlDownloader.failureReason());
        errorLog();
        endCheckingUpdate();
        return;
    }
    xmlParser.setXmlcontent(*content);
    platform::log::debugLog("check: " + sightingText(outcomeOfFeed(*content, xmlParser, currentInstalledVersion)));
    if (xmlParser.isNewVersionAvailable()) requestToNotify();
    endCheckingUpdate();
}

// The parser arms itself at the first sighting of any newer version and
// answers yes from the next on; the log says which this was.
std::string QMPluginsUpdater::sightingText(const CheckOutcome& outcome) const {
    if (outcome.verdict != CheckVerdict::newerPublished) return outcome.text;
    if (!xmlParser.isNewVersionAvailable())
        return outcome.text + "; first sighting of a newer version, announced at the next check";
    if (integerValue(xmlParser.currentVersionAvailable()) <= integerValue(lastVersionNotified))
        return outcome.text + "; already announced";
    return outcome.text + "; second sighting of a newer version, announcing it";
}

void QMPluginsUpdater::requestToNotify() {
    const auto available = xmlParser.currentVersionAvailable();
    if (integerValue(available) <= integerValue(lastVersionNotified)) return;
    lastVersionNotified = available;
    showNotification(VRLLoc(kNewVersionKey));
}

void QMPluginsUpdater::errorLog() { platform::log::systemLog(kCheckFailedLine); }

void QMPluginsUpdater::endCheckingUpdate() { isCurrentlyChecking_ = false; }

std::string QMPluginsUpdater::VRLLoc(const std::string& key) const { return localizedString(notifierBundle, key); }

void QMPluginsUpdater::showNotification(const std::string& text) { showAnnouncement(center, text); }

bool QMPluginsUpdater::userNotificationCenterShouldPresentNotification(
    platform::notifications::UserNotificationCenter&, const platform::notifications::UserNotification&) {
    return true;
}

}  // namespace qm
