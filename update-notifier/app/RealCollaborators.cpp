#include "update-notifier/app/RealCollaborators.h"

#include <memory>
#include <utility>

#include "platform/foundation/Bundle.h"
#include "platform/log/SystemLog.h"
#include "platform/network/Url.h"
#include "update-notifier/feed/QMXMLDownloader.h"
#include "update-notifier/feed/QMXMLParser.h"
#include "update-notifier/scheduler/QMUpdateTimer.h"

namespace qm {
namespace {

class SchedulerAdapter final : public UpdateScheduler, private QMUpdateTimerDelegate {
public:
    SchedulerAdapter(asio::io_context& io, double interval) : timer(io, interval) { timer.setDelegate(this); }
    void setDelegate(UpdateCycleEvents* delegate) override { events = delegate; }
    void startTimer() override { timer.startTimer(); }

private:
    void timeToCheckForUpdate() override {
        if (events) events->timeToCheckForUpdate();
    }

    QMUpdateTimer timer;
    UpdateCycleEvents* events = nullptr;
};

class DownloaderAdapter final : public UpdateDownloader, private QMXMLDownloaderDelegate {
public:
    DownloaderAdapter(asio::io_context& io, std::optional<platform::network::Url> url)
        : downloader(io, std::move(url)) {
        downloader.setDelegate(this);
    }
    void setDelegate(UpdateCycleEvents* delegate) override { events = delegate; }
    void checkIfInternetConnection() override { downloader.checkIfInternetConnection(); }
    bool isNetWorkReachable() const override { return downloader.isNetWorkReachable(); }
    void startDownload() override { downloader.startDownload(); }
    const std::optional<std::string>& xmlcontent() const override { return downloader.xmlcontent(); }

private:
    void internetConnectedContinueCheckForUpdate() override {
        if (events) events->internetConnectedContinueCheckForUpdate();
    }
    void downloadFinished() override {
        if (events) events->downloadFinished();
    }

    QMXMLDownloader downloader;
    UpdateCycleEvents* events = nullptr;
};

class ParserAdapter final : public UpdateParser {
public:
    void setCurrentInstalledVersion(std::optional<std::string> version) override {
        parser.setCurrentInstalledVersion(std::move(version));
    }
    void setXmlcontent(std::string content) override { parser.setXmlcontent(std::move(content)); }
    bool isNewVersionAvailable() const override { return parser.isNewVersionAvailable(); }
    const std::optional<std::string>& currentVersionAvailable() const override {
        return parser.currentVersionAvailable();
    }

private:
    QMXMLParser parser;
};

// The host's Info.plist sits three levels above the notifier's own bundle:
// Host.app/Contents/Library/LoginItems/notifier.app -> Host.app/Contents.
std::filesystem::path hostInfoPlistFor(const std::filesystem::path& notifierBundle) {
    auto path = notifierBundle.lexically_normal();
    if (!path.has_filename()) path = path.parent_path();
    for (int level = 0; level < 3; ++level) path = path.parent_path();
    return path / "Info.plist";
}

}  // namespace

UpdaterEnvironment realUpdaterEnvironment(asio::io_context& io, double checkInterval,
                                          platform::notifications::UserNotificationCenter& center) {
    auto bundle = std::make_shared<platform::foundation::Bundle>(platform::foundation::Bundle::mainBundle());
    UpdaterEnvironment env;
    env.hostInfoPlist = hostInfoPlistFor(bundle->bundlePath());
    env.makeDownloader = [&io](const std::optional<std::string>& address) -> std::unique_ptr<UpdateDownloader> {
        std::optional<platform::network::Url> url;
        if (address) url = platform::network::Url::parse(*address);
        return std::make_unique<DownloaderAdapter>(io, std::move(url));
    };
    env.makeParser = [] { return std::make_unique<ParserAdapter>(); };
    env.makeScheduler = [&io](double interval) { return std::make_unique<SchedulerAdapter>(io, interval); };
    env.notificationCenter = &center;
    env.localizedString = [bundle](const std::string& key) {
        return bundle->localizedStringForKey(key, "", "Localizable");
    };
    env.log = [](std::string_view line) { platform::log::systemLog(line); };
    env.checkInterval = checkInterval;
    return env;
}

}  // namespace qm
