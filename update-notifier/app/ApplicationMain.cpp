#include "update-notifier/app/ApplicationMain.h"

// A standard header before asio's: asio picks its allocator from a macro that
// only exists once the standard library's configuration has been read, and
// every translation unit must agree on it.
#include <csignal>
#include <system_error>

#include <asio/io_context.hpp>
#include <asio/signal_set.hpp>

#include "update-notifier/app/AppDelegate.h"

namespace qm {

int ApplicationMain(double checkInterval) {
    asio::io_context io;
    asio::signal_set stopSignals(io, SIGTERM, SIGINT);
    stopSignals.async_wait([&io](const std::error_code&, int) { io.stop(); });

    AppDelegate delegate(io, checkInterval);
    delegate.applicationDidFinishLaunching();
    io.run();
    delegate.applicationWillTerminate();
    return 0;
}

}  // namespace qm
