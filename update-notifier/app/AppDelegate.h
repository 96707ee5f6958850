#pragma once
// The application delegate: taking the shared coordinator starts everything.

#include "update-notifier/app/QMPluginsUpdater.h"

#include <asio/io_context.hpp>

namespace qm {

class AppDelegate {
public:
    AppDelegate(asio::io_context& io, double checkInterval) : io(io), checkInterval(checkInterval) {}

    void applicationDidFinishLaunching();
    void applicationWillTerminate() {}

private:
    asio::io_context& io;
    double checkInterval;
    QMPluginsUpdater* pluginsupdater = nullptr;  // the process-wide coordinator
};

}  // namespace qm
