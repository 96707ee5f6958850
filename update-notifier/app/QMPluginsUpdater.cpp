#include "update-notifier/app/QMPluginsUpdater.h"

#include <utility>

#include "update-notifier/app/Announcement.h"
#include "update-notifier/app/CheckOutcome.h"
#include "update-notifier/app/FeedAddress.h"
#include "update-notifier/app/HostInfo.h"
#include "update-notifier/feed/VersionValue.h"

namespace qm {

QMPluginsUpdater::QMPluginsUpdater(UpdaterEnvironment& environment,
                                   platform::notifications::UserNotificationCenter& center, double checkInterval)
    : env(environment), center(center) {
    center.setDelegate(this);
    getUpdaterData();

    std::optional<std::string> escapedAddress;
    if (feedurl) escapedAddress = percentEscapedFeedAddress(*feedurl);
    xmlDownloader = env.makeDownloader(escapedAddress, *this);

    xmlParser = env.makeParser();
    xmlParser->setCurrentInstalledVersion(currentInstalledVersion);

    updaterTimer = env.makeScheduler(checkInterval, *this);
    updaterTimer->startTimer();
}

QMPluginsUpdater::~QMPluginsUpdater() { center.setDelegate(nullptr); }

void QMPluginsUpdater::getUpdaterData() {
    const HostDetails host = readHostDetails(env.hostInfoPlist());
    feedurl = host.feedAddress;
    currentInstalledVersion = host.installedVersion;
    if (!host.problem.empty()) env.log(platform::log::Priority::debug, host.problem + ": no check can succeed");
}

void QMPluginsUpdater::timeToCheckForUpdate() {
    if (isCurrentlyChecking_) return;
    isCurrentlyChecking_ = true;
    xmlDownloader->checkIfInternetConnection();
}

void QMPluginsUpdater::internetConnectedContinueCheckForUpdate() {
    if (!xmlDownloader->isNetWorkReachable()) {
        env.log(platform::log::Priority::debug, "check: " + xmlDownloader->failureReason());
        errorLog();
        endCheckingUpdate();
        return;
    }
    xmlDownloader->startDownload();
}

void QMPluginsUpdater::downloadFinished() {
    const auto& content = xmlDownloader->xmlcontent();
    if (!content || content->empty()) {
        env.log(platform::log::Priority::debug, "check: feed download failed: " + xmlDownloader->failureReason());
        errorLog();
        endCheckingUpdate();
        return;
    }
    xmlParser->setXmlcontent(*content);
    env.log(platform::log::Priority::debug, "check: " + sightingText(outcomeOfFeed(*content, *xmlParser,
                                                                                     currentInstalledVersion)));
    if (xmlParser->isNewVersionAvailable()) requestToNotify();
    endCheckingUpdate();
}

// The parser arms itself at the first sighting of any newer version and
// answers yes from the next on; the log says which this was.
std::string QMPluginsUpdater::sightingText(const CheckOutcome& outcome) const {
    if (outcome.verdict != CheckVerdict::newerPublished) return outcome.text;
    if (!xmlParser->isNewVersionAvailable())
        return outcome.text + "; first sighting of a newer version, announced at the next check";
    if (integerValue(xmlParser->currentVersionAvailable()) <= integerValue(lastVersionNotified))
        return outcome.text + "; already announced";
    return outcome.text + "; second sighting of a newer version, announcing it";
}

void QMPluginsUpdater::requestToNotify() {
    const auto available = xmlParser->currentVersionAvailable();
    if (integerValue(available) <= integerValue(lastVersionNotified)) return;
    lastVersionNotified = available;
    showNotification(VRLLoc(kNewVersionKey));
}

void QMPluginsUpdater::errorLog() { env.log(platform::log::Priority::notice, kCheckFailedLine); }

void QMPluginsUpdater::endCheckingUpdate() { isCurrentlyChecking_ = false; }

std::string QMPluginsUpdater::VRLLoc(const std::string& key) const { return env.localizedString(key); }

void QMPluginsUpdater::showNotification(const std::string& text) { showAnnouncement(env, center, text); }

bool QMPluginsUpdater::userNotificationCenterShouldPresentNotification(
    platform::notifications::UserNotificationCenter&, const platform::notifications::UserNotification&) {
    return true;
}

}  // namespace qm
