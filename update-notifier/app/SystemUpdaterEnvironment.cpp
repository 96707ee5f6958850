#include <memory>

#include "platform/foundation/Bundle.h"
#include "platform/log/SystemLog.h"
#include "platform/network/Url.h"
#include "platform/notifications/FreedesktopNotificationCenter.h"
#include "update-notifier/app/QMPluginsUpdater.h"
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

// The running executable's bundle, the system log and the real collaborators.
UpdaterEnvironment systemEnvironment(asio::io_context& io, double checkInterval,
                                     platform::notifications::UserNotificationCenter& center) {
    auto bundle = std::make_shared<platform::foundation::Bundle>(platform::foundation::Bundle::mainBundle());
    UpdaterEnvironment env;
    env.hostInfoPlist = hostInfoPlistFor(bundle->bundlePath());
    env.makeDownloader = [&io](const std::optional<std::string>& address) -> std::unique_ptr<UpdateDownloader> {
        std::optional<platform::network::Url> url;
        if (address) url = platform::network::Url::parse(*address);
        return std::make_unique<QMXMLDownloader>(io, std::move(url));
    };
    env.makeParser = [] { return std::make_unique<QMXMLParser>(); };
    env.makeScheduler = [&io](double interval) { return std::make_unique<QMUpdateTimer>(io, interval); };
    env.notificationCenter = &center;
    env.localizedString = [bundle](const std::string& key) {
        return bundle->localizedStringForKey(key, "", "Localizable");
    };
    env.log = [](std::string_view line) { platform::log::systemLog(line); };
    env.checkInterval = checkInterval;
    return env;
}

}  // namespace

QMPluginsUpdater& QMPluginsUpdater::sharedUpdater(asio::io_context& io, double checkInterval) {
    // Created once and never destroyed: the coordinator's timers and sockets
    // belong to the main io_context and must not be torn down after it.
    static auto* const center = new platform::notifications::FreedesktopNotificationCenter("vrlupdatenotifier");
    static auto* const updater = new QMPluginsUpdater(systemEnvironment(io, checkInterval, *center));
    return *updater;
}

}  // namespace qm
