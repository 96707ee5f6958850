#pragma once
// What the coordinator asks of the feed downloader. QMXMLDownloader is the
// real one; tests hand the coordinator a fake through its environment.
//
// Every call: the thread that runs the main io_context; the delegate, given
// to the downloader's constructor and outliving it, is told there too. At most one test or download at a time (the coordinator's
// check cycles do not overlap).
#include <optional>
#include <string>

#include "update-notifier/feed/QMXMLDownloaderDelegate.h"

namespace qm {

class UpdateDownloader {
public:
    virtual ~UpdateDownloader() = default;

    // Returns at once; tests off the main thread whether the feed's host can
    // be reached, then sends internetConnectedContinueCheckForUpdate. Every
    // failure (no address, no host, a failed lookup) reads as unreachable.
    virtual void checkIfInternetConnection() = 0;
    // The outcome of the last test; false before the first.
    virtual bool isNetWorkReachable() const = 0;
    // Returns at once; downloads the feed, then sends downloadFinished.
    virtual void startDownload() = 0;
    // The feed text after the last download: "" from the start of a download
    // and after a failed one, absent when the body was not valid UTF-8.
    virtual const std::optional<std::string>& xmlcontent() const = 0;
    // Why the last test found the host unreachable, or the last download
    // gave no feed text ("HTTP status 404", the transport's own reason, "the
    // body is not valid UTF-8"); empty after a success.
    virtual const std::string& failureReason() const = 0;
};

}  // namespace qm
