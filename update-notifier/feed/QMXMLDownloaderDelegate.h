#pragma once
// What the feed downloader tells its delegate, the coordinator. Both messages
// arrive on the main thread; the delegate then reads the downloader's
// properties.

namespace qm {

class QMXMLDownloaderDelegate {
public:
    virtual ~QMXMLDownloaderDelegate() = default;
    // After every reachability test, whatever its outcome.
    virtual void internetConnectedContinueCheckForUpdate() = 0;
    // Exactly once per download: after a non-200 status, a failure, or the
    // whole body.
    virtual void downloadFinished() = 0;
};

}  // namespace qm
