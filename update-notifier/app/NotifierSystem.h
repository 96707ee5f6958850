#pragma once
// What the notifier cannot run in a test: the main loop, the network, the
// timers, the desktop's notification service and its own bundle on disk. The
// real ones are built once by ApplicationMain; tests hand in fakes.
//
// Contract: everything referred to outlives whatever it is handed to, and is
// used on the thread that runs `io`, but for `reachability`, which the
// downloader asks from a worker thread of its own.
// A standard header first, so asio sees the same library configuration (its
// aligned allocator) in every translation unit.
#include <memory>

#include <asio/io_context.hpp>

#include "platform/foundation/Bundle.h"
#include "platform/network/HttpConnection.h"
#include "platform/network/Reachability.h"
#include "platform/notifications/UserNotificationCenter.h"
#include "update-notifier/scheduler/RepeatingTimerFacility.h"

namespace qm {

struct NotifierSystem {
    asio::io_context& io;
    platform::network::Reachability& reachability;
    platform::network::HttpClient& http;
    RepeatingTimerFacility& timers;
    platform::notifications::UserNotificationCenter& center;
    // The notifier's own bundle: its translations, and the host bundle it
    // sits in.
    const platform::foundation::Bundle& notifierBundle;
};

}  // namespace qm
