#pragma once
// The coordinator's view of the scheduler, the feed downloader and the appcast
// parser: only the operations a check cycle uses, so that the cycle can run
// against fakes. RealCollaborators.h adapts the real classes.
#include <optional>
#include <string>

namespace qm {

// The messages the collaborators send back to the coordinator.
class UpdateCycleEvents {
public:
    virtual ~UpdateCycleEvents() = default;
    virtual void timeToCheckForUpdate() = 0;
    virtual void internetConnectedContinueCheckForUpdate() = 0;
    virtual void downloadFinished() = 0;
};

class UpdateScheduler {
public:
    virtual ~UpdateScheduler() = default;
    virtual void setDelegate(UpdateCycleEvents* delegate) = 0;
    virtual void startTimer() = 0;
};

class UpdateDownloader {
public:
    virtual ~UpdateDownloader() = default;
    virtual void setDelegate(UpdateCycleEvents* delegate) = 0;
    virtual void checkIfInternetConnection() = 0;
    virtual bool isNetWorkReachable() const = 0;
    virtual void startDownload() = 0;
    virtual const std::optional<std::string>& xmlcontent() const = 0;
};

class UpdateParser {
public:
    virtual ~UpdateParser() = default;
    virtual void setCurrentInstalledVersion(std::optional<std::string> version) = 0;
    virtual void setXmlcontent(std::string content) = 0;
    virtual bool isNewVersionAvailable() const = 0;
    virtual const std::optional<std::string>& currentVersionAvailable() const = 0;
};

}  // namespace qm
