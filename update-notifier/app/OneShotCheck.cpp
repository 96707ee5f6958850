#include "update-notifier/app/OneShotCheck.h"

#include "update-notifier/app/Announcement.h"
#include "update-notifier/app/FeedAddress.h"
#include "update-notifier/app/HostInfo.h"

namespace qm {

void OneShotCheck::start() {
    const HostDetails host = readHostDetails(env_.hostInfoPlist());
    if (!host.feedAddress) {
        done_({CheckVerdict::couldNotCheck, host.problem});
        return;
    }
    installed_ = host.installedVersion;
    downloader_ = env_.makeDownloader(percentEscapedFeedAddress(*host.feedAddress), *this);
    parser_ = env_.makeParser();
    parser_->setCurrentInstalledVersion(installed_);
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
        showAnnouncement(env_, center_, env_.localizedString(kNewVersionKey));
    done_(outcome);
}

}  // namespace qm
