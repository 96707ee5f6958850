#include "update-notifier/app/QMPluginsUpdater.h"

#include <utility>

#include "platform/foundation/PropertyList.h"
#include "update-notifier/app/FeedAddress.h"
#include "update-notifier/feed/VersionValue.h"

namespace qm {
namespace {

std::optional<std::string> valueFor(const std::optional<platform::foundation::StringDictionary>& info,
                                    const std::string& key) {
    if (!info) return std::nullopt;
    const auto found = info->find(key);
    if (found == info->end()) return std::nullopt;
    return found->second;
}

}  // namespace

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
    const std::filesystem::path infoPlist = env.hostInfoPlist();
    const auto info = platform::foundation::readStringDictionary(infoPlist);
    feedurl = valueFor(info, "SUFeedURL");
    currentInstalledVersion = valueFor(info, "CFBundleVersion");
    if (!feedurl)
        env.log(platform::log::Priority::debug,
                "no \"SUFeedURL\" in " + infoPlist.string() + ": no check can succeed");
}

void QMPluginsUpdater::timeToCheckForUpdate() {
    if (isCurrentlyChecking_) return;
    isCurrentlyChecking_ = true;
    xmlDownloader->checkIfInternetConnection();
}

void QMPluginsUpdater::internetConnectedContinueCheckForUpdate() {
    if (!xmlDownloader->isNetWorkReachable()) {
        errorLog();
        endCheckingUpdate();
        return;
    }
    xmlDownloader->startDownload();
}

void QMPluginsUpdater::downloadFinished() {
    const auto& content = xmlDownloader->xmlcontent();
    if (!content || content->empty()) {
        errorLog();
        endCheckingUpdate();
        return;
    }
    xmlParser->setXmlcontent(*content);
    if (xmlParser->isNewVersionAvailable()) requestToNotify();
    endCheckingUpdate();
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

void QMPluginsUpdater::showNotification(const std::string& text) {
    platform::notifications::UserNotification notification;
    notification.title = kNotificationTitle;
    notification.informativeText = text;
    notification.soundName = platform::notifications::kDefaultSoundName;
    notification.hasActionButton = true;
    notification.hasReplyButton = false;
    // Without a notification service the announcement would be lost; the log
    // keeps it where the user or an administrator can still find it.
    if (!center.deliverNotification(notification))
        env.log(platform::log::Priority::notice, std::string(kNotificationTitle) + ": " + text);
}

bool QMPluginsUpdater::userNotificationCenterShouldPresentNotification(
    platform::notifications::UserNotificationCenter&, const platform::notifications::UserNotification&) {
    return true;
}

}  // namespace qm
