#pragma once
// The coordinator's environment on this system: the host bundle found from
// the notifier's own, the real downloader, parser and scheduler, and the
// system log.
//
// Contract: that of UpdaterEnvironment. Everything passed to the constructor
// must outlive the environment; it is all built once by the application's
// main function, on the main thread.
// A standard header first, so asio sees the same library configuration (its
// aligned allocator) in every translation unit.
#include <memory>

#include <asio/io_context.hpp>

#include "platform/foundation/Bundle.h"
#include "platform/network/HttpConnection.h"
#include "platform/network/Reachability.h"
#include "update-notifier/app/UpdaterEnvironment.h"
#include "update-notifier/scheduler/RepeatingTimerFacility.h"
#include "update-notifier/scheduler/UpdateClock.h"

namespace qm {

class SystemUpdaterEnvironment final : public UpdaterEnvironment {
public:
    // Downloaders and timers run on `io`; translations come from the
    // notifier's own bundle.
    SystemUpdaterEnvironment(asio::io_context& io, const platform::foundation::Bundle& notifierBundle,
                             platform::network::Reachability& reachability, platform::network::HttpClient& http,
                             UpdateClock& clock, RepeatingTimerFacility& timers)
        : io_(io), notifierBundle_(notifierBundle), reachability_(reachability), http_(http), clock_(clock),
          timers_(timers) {}

    std::filesystem::path hostInfoPlist() const override;
    std::unique_ptr<UpdateDownloader> makeDownloader(const std::optional<std::string>& address,
                                                     QMXMLDownloaderDelegate& delegate) override;
    std::unique_ptr<UpdateParser> makeParser() override;
    std::unique_ptr<UpdateScheduler> makeScheduler(double interval, QMUpdateTimerDelegate& delegate) override;
    std::string localizedString(const std::string& key) const override;
    void log(platform::log::Priority priority, std::string_view line) override;

private:
    asio::io_context& io_;
    const platform::foundation::Bundle& notifierBundle_;
    platform::network::Reachability& reachability_;
    platform::network::HttpClient& http_;
    UpdateClock& clock_;
    RepeatingTimerFacility& timers_;
};

}  // namespace qm
