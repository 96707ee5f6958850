#pragma once
// The application delegate: taking the shared coordinator starts everything.
//
// Contract: both calls on the thread that runs `io`, the launch once. The
// coordinator lives until the process ends, so nothing is held or torn down
// here.
#include <asio/io_context.hpp>

namespace qm {

class AppDelegate {
public:
    AppDelegate(asio::io_context& io, double checkInterval) : io(io), checkInterval(checkInterval) {}

    // Creates the shared coordinator, which reads its configuration and
    // starts the scheduler; failures there only show as failed checks.
    void applicationDidFinishLaunching();
    void applicationWillTerminate() {}

private:
    asio::io_context& io;
    double checkInterval;
};

}  // namespace qm
