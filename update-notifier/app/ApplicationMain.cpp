#include "update-notifier/app/ApplicationMain.h"

// A standard header before asio's: asio picks its allocator from a macro that
// only exists once the standard library's configuration has been read, and
// every translation unit must agree on it.
#include <csignal>
#include <cstdio>
#include <system_error>

#include <asio/executor_work_guard.hpp>
#include <asio/io_context.hpp>
#include <asio/signal_set.hpp>

#include "platform/foundation/Bundle.h"
#include "platform/network/CurlHttpClient.h"
#include "platform/network/SystemReachability.h"
#include "platform/notifications/FreedesktopNotificationCenter.h"
#include "update-notifier/app/AppDelegate.h"
#include "update-notifier/app/OneShotCheck.h"
#include "update-notifier/scheduler/AsioRepeatingTimerFacility.h"

namespace qm {
namespace {

// The real collaborators, declared in the order they are needed, so each is
// destroyed only after everything that refers to it.
struct SystemParts {
    asio::io_context io;
    const platform::foundation::Bundle bundle = platform::foundation::Bundle::mainBundle();
    platform::network::SystemReachability reachability;
    platform::network::CurlHttpClient http{io};
    AsioRepeatingTimerFacility timers{io};
    platform::notifications::FreedesktopNotificationCenter center{"vrlupdatenotifier"};
    NotifierSystem system{io, reachability, http, timers, center, bundle};
};

int statusOf(CheckVerdict verdict) {
    switch (verdict) {
        case CheckVerdict::upToDate: return kUpToDateStatus;
        case CheckVerdict::newerPublished: return kNewerPublishedStatus;
        case CheckVerdict::couldNotCheck: break;
    }
    return kCouldNotCheckStatus;
}

}  // namespace

int ApplicationMain(double checkInterval) {
    SystemParts parts;
    AppDelegate delegate(parts.system, checkInterval);

    // The coordinator ends inside the handler, while the loop still runs, so
    // its timer and transfer are cancelled before the loop is left. SIGHUP
    // too: a notifier started by hand goes with its terminal, as cleanly.
    asio::signal_set stopSignals(parts.io, SIGTERM, SIGINT, SIGHUP);
    stopSignals.async_wait([&parts, &delegate](const std::error_code&, int) {
        delegate.applicationWillTerminate();
        parts.io.stop();
    });
    delegate.applicationDidFinishLaunching();
    parts.io.run();
    return 0;
}

int CheckOnceMain(bool notify) {
    SystemParts parts;
    // The reachability test runs on a thread of its own and posts its answer
    // later: until the outcome, the loop must not run out of work.
    const auto waitForOutcome = asio::make_work_guard(parts.io);
    int status = kCouldNotCheckStatus;
    OneShotCheck check(parts.system, notify, [&parts, &status](const CheckOutcome& outcome) {
        std::fprintf(stderr, "vrlupdatenotifier: %s\n", outcome.text.c_str());
        status = statusOf(outcome.verdict);
        parts.io.stop();
    });
    check.start();
    if (!parts.io.stopped()) parts.io.run();
    return status;
}

}  // namespace qm
