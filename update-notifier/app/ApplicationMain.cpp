#include "update-notifier/app/ApplicationMain.h"

#include <asio/io_context.hpp>
#include <asio/signal_set.hpp>

#include <csignal>
#include <system_error>

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
