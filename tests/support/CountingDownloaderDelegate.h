#pragma once
// A feed downloader's delegate that counts the messages it gets, for tests
// that check a download ends exactly once and each reachability test answers.
#include "update-notifier/feed/QMXMLDownloaderDelegate.h"

namespace vrl::test {

class CountingDownloaderDelegate : public qm::QMXMLDownloaderDelegate {
public:
    void internetConnectedContinueCheckForUpdate() override { ++reachabilityAnswers; }
    void downloadFinished() override { ++downloadsFinished; }

    int reachabilityAnswers = 0;
    int downloadsFinished = 0;
};

}  // namespace vrl::test
