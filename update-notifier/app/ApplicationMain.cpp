#include "update-notifier/app/ApplicationMain.h"

// A standard header before asio's: asio picks its allocator from a macro that
// only exists once the standard library's configuration has been read, and
// every translation unit must agree on it.
#include <csignal>
#include <system_error>

#include <asio/io_context.hpp>
#include <asio/signal_set.hpp>

#include "platform/foundation/Bundle.h"
#include "platform/network/CurlHttpClient.h"
#include "platform/network/SystemReachability.h"
#include "platform/notifications/FreedesktopNotificationCenter.h"
#include "update-notifier/app/AppDelegate.h"
#include "update-notifier/app/SystemUpdaterEnvironment.h"
#include "update-notifier/scheduler/AsioRepeatingTimerFacility.h"
#include "update-notifier/scheduler/SystemUpdateClock.h"

namespace qm {

int ApplicationMain(double checkInterval) {
    // Declared in the order they are needed, so each is destroyed only after
    // everything that refers to it.
    asio::io_context io;
    const platform::foundation::Bundle bundle = platform::foundation::Bundle::mainBundle();
    platform::network::SystemReachability reachability;
    platform::network::CurlHttpClient http(io);
    SystemUpdateClock clock;
    AsioRepeatingTimerFacility timers(io);
    SystemUpdaterEnvironment environment(io, bundle, reachability, http, clock, timers);
    platform::notifications::FreedesktopNotificationCenter center("vrlupdatenotifier");
    AppDelegate delegate(environment, center, checkInterval);

    // The coordinator ends inside the handler, while the loop still runs, so
    // its timer and transfer are cancelled before the loop is left.
    asio::signal_set stopSignals(io, SIGTERM, SIGINT);
    stopSignals.async_wait([&io, &delegate](const std::error_code&, int) {
        delegate.applicationWillTerminate();
        io.stop();
    });
    delegate.applicationDidFinishLaunching();
    io.run();
    return 0;
}

}  // namespace qm
