#pragma once

namespace qm {

class QMXMLDownloaderDelegate {
public:
    virtual ~QMXMLDownloaderDelegate() = default;
    virtual void internetConnectedContinueCheckForUpdate() = 0;
    virtual void downloadFinished() = 0;
};

}  // namespace qm
