#pragma once
// One check at once, for an administrator who asks rather than waits: reads
// the host's Info.plist, tests the feed's host, downloads and judges the
// feed, and hands the outcome over. Unlike the running coordinator it
// decides at once (no wait for a second sighting) and announces only when
// asked to.
//
// Contract: created, used and destroyed on the thread that runs the main
// io_context, where its collaborators deliver their messages. Everything the
// system refers to outlives it.
#include <functional>
#include <optional>
#include <string>

#include "update-notifier/app/CheckOutcome.h"
#include "update-notifier/app/NotifierSystem.h"
#include "update-notifier/feed/QMXMLDownloader.h"
#include "update-notifier/feed/QMXMLParser.h"

namespace qm {

class OneShotCheck final : public QMXMLDownloaderDelegate {
public:
    using Done = std::function<void(const CheckOutcome&)>;

    // Nothing happens before start(). With `notify`, a newer version is
    // announced as the running notifier announces it.
    OneShotCheck(const NotifierSystem& system, bool notify, Done done)
        : system_(system), notify_(notify), done_(std::move(done)) {}

    // Starts the check; `done` is called exactly once, maybe before start()
    // returns (an Info.plist without a feed address).
    void start();

    void internetConnectedContinueCheckForUpdate() override;
    void downloadFinished() override;

private:
    const NotifierSystem system_;
    bool notify_;
    Done done_;
    std::optional<std::string> installed_;
    // Built by start(), once the Info.plist has been read.
    std::optional<QMXMLParser> parser_;
    std::optional<QMXMLDownloader> downloader_;
};

}  // namespace qm
