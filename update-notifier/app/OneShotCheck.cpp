#include "update-notifier/app/OneShotCheck.h"

#include "update-notifier/app/Announcement.h"
#include "update-notifier/app/FeedAddress.h"
#include "update-notifier/app/HostInfo.h"

namespace qm {

void OneShotCheck::start() {
    const auto file = hostInfoPlistOf(system_.notifierBundle);
    const auto host = readHostDetails(file);
    if (!host) {
        done_({CheckVerdict::couldNotCheck, host.error().message});
        return;
    }
    if (!host->feedAddress) {
        done_({CheckVerdict::couldNotCheck, missingFeedAddressReason(file)});
        return;
    }
    installed_ = host->installedVersion;
    parser_.emplace(installed_);
    downloader_.emplace(system_.io, system_.reachability, system_.http, *this, feedUrlOf(host->feedAddress));
    downloader_->checkIfInternetConnection();
}

void OneShotCheck::internetConnectedContinueCheckForUpdate() {
    if (downloader_->isNetWorkReachable()) {
        downloader_->startDownload();
        return;
    }
    done_({CheckVerdict::couldNotCheck, downloader_->failureReason()});
}

void OneShotCheck::downloadFinished() {
    const auto& content = downloader_->xmlcontent();
    if (!content || content->empty()) {
        done_({CheckVerdict::couldNotCheck, "feed download failed: " + downloader_->failureReason()});
        return;
    }
    parser_->setXmlcontent(*content);
    const CheckOutcome outcome = outcomeOfFeed(*content, *parser_, installed_);
    if (notify_ && outcome.verdict == CheckVerdict::newerPublished)
        showAnnouncement(system_.center, localizedString(system_.notifierBundle, kNewVersionKey));
    done_(outcome);
}

}  // namespace qm
