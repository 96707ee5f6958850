#include "update-notifier/app/SystemUpdaterEnvironment.h"

#include "platform/network/Url.h"
#include "update-notifier/feed/QMXMLDownloader.h"
#include "update-notifier/feed/QMXMLParser.h"
#include "update-notifier/scheduler/QMUpdateTimer.h"

namespace qm {
namespace {

// The host's Info.plist sits three levels above the notifier's own bundle:
// Host.app/Contents/Library/LoginItems/notifier.app -> Host.app/Contents.
std::filesystem::path hostInfoPlistFor(const std::filesystem::path& notifierBundle) {
    auto path = notifierBundle.lexically_normal();
    if (!path.has_filename()) path = path.parent_path();
    for (int level = 0; level < 3; ++level) path = path.parent_path();
    return path / "Info.plist";
}

}  // namespace

std::filesystem::path SystemUpdaterEnvironment::hostInfoPlist() const {
    return hostInfoPlistFor(notifierBundle_.bundlePath());
}

std::unique_ptr<UpdateDownloader> SystemUpdaterEnvironment::makeDownloader(const std::optional<std::string>& address,
                                                                           QMXMLDownloaderDelegate& delegate) {
    std::optional<platform::network::Url> url;
    if (address) url = platform::network::Url::parse(*address);
    return std::make_unique<QMXMLDownloader>(io_, reachability_, http_, delegate, std::move(url));
}

std::unique_ptr<UpdateParser> SystemUpdaterEnvironment::makeParser() { return std::make_unique<QMXMLParser>(); }

std::unique_ptr<UpdateScheduler> SystemUpdaterEnvironment::makeScheduler(double interval,
                                                                         QMUpdateTimerDelegate& delegate) {
    return std::make_unique<QMUpdateTimer>(clock_, timers_, delegate, interval);
}

std::string SystemUpdaterEnvironment::localizedString(const std::string& key) const {
    return notifierBundle_.localizedStringForKey(key, "", "Localizable");
}

void SystemUpdaterEnvironment::log(platform::log::Priority priority, std::string_view line) {
    platform::log::systemLog(priority, line);
}

}  // namespace qm
