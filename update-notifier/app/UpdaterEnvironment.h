#pragma once
// What the update coordinator needs from the system, behind one object: where
// the host's Info.plist is, its three parts, the bundle's translations and the
// log. SystemUpdaterEnvironment is the real one, built once by the
// application's main function; tests hand the coordinator a fake.
//
// Contract: every call on the thread that runs the main io_context. The
// environment outlives every coordinator and every part it made.
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/log/SystemLog.h"
#include "update-notifier/feed/UpdateDownloader.h"
#include "update-notifier/feed/UpdateParser.h"
#include "update-notifier/scheduler/UpdateScheduler.h"

namespace qm {

class UpdaterEnvironment {
public:
    virtual ~UpdaterEnvironment() = default;

    // The host application's Info.plist; the file may be missing.
    virtual std::filesystem::path hostInfoPlist() const = 0;
    // A new downloader for the percent-escaped feed address, telling
    // `delegate`; an absent address, or one that is not a URL, makes every
    // check fail. Cannot fail.
    virtual std::unique_ptr<UpdateDownloader> makeDownloader(const std::optional<std::string>& address,
                                                             QMXMLDownloaderDelegate& delegate) = 0;
    // A new parser; cannot fail.
    virtual std::unique_ptr<UpdateParser> makeParser() = 0;
    // A new, stopped scheduler with the given positive period, telling
    // `delegate`; cannot fail.
    virtual std::unique_ptr<UpdateScheduler> makeScheduler(double interval, QMUpdateTimerDelegate& delegate) = 0;
    // The translation of `key` in the "Localizable" table, or the key itself.
    virtual std::string localizedString(const std::string& key) const = 0;
    // One log record; a record that cannot be written is dropped.
    virtual void log(platform::log::Priority priority, std::string_view line) = 0;
};

}  // namespace qm
