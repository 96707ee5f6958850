#pragma once
// The client gate: admits a connection only when its peer process runs an
// executable at X.app/Contents/MacOS/<name> whose Info.plist says
// CFBundleIdentifier = kClientBundleIdentifier, exactly.
//
// Deciding means reading files the peer controls, which can be slow, huge or
// made to block; so it never runs on the serving loop. The gate takes the
// connection's socket, worker threads decide, and each verdict goes back to
// the loop together with the socket; GateQuota bounds what waits for them,
// and VerdictCache spares a peer that comes back a second parse. While the
// gate holds a socket it is the socket's only owner: a gate destroyed with
// checks still waiting or running closes their sockets itself.
#include <sys/types.h>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>
#include <vector>

#include <asio/io_context.hpp>
#include <asio/local/stream_protocol.hpp>

#include "platform/foundation/FileIdentity.h"
#include "platform/ipc/ProductIdentifiers.h"
#include "sensor-service/server/gate/GateQuota.h"
#include "sensor-service/server/gate/InfoPlistParser.h"
#include "sensor-service/server/gate/VerdictCache.h"

namespace vrl {

inline constexpr const char* kClientBundleIdentifier = platform::ipc::kAdmittedBundleIdentifier;

class ClientGate {
public:
    using Socket = asio::local::stream_protocol::socket;
    // Called on the serving loop with the socket checked and whether its peer
    // is admitted; a refused socket is the callee's to close.
    using Verdict = std::function<void(Socket socket, bool admitted)>;

    // See GateQuota for why each cap.
    struct Limits {
        std::size_t workers = 2;
        std::size_t checksInFlight = 256;         // waiting and running, all users
        std::size_t checksInFlightPerUser = 128;  // each user's share, which others cannot take from it
        std::size_t runningChecksPerUser = 1;     // fewer than workers: one user cannot hold them all
        std::size_t rememberedVerdicts = 256;
    };

    // Serving thread, with the serving io_context. Requires every limit > 0,
    // checksInFlightPerUser < checksInFlight and runningChecksPerUser <
    // workers. Starts the workers; a thread that cannot be started leaves
    // fewer (none: every check refused). parser turns the Info.plist's bytes
    // into its string entries.
    ClientGate(asio::io_context& io, Limits limits, std::unique_ptr<InfoPlistParser> parser);
    // Serving thread. Stops and joins the workers, after any check they are
    // running (which can take as long as its slowest file); verdicts not yet
    // delivered are dropped, never called, and their sockets closed.
    ~ClientGate();
    ClientGate(const ClientGate&) = delete;
    ClientGate& operator=(const ClientGate&) = delete;

    // Serving thread only. socket: a connected Unix stream socket of io,
    // which the gate owns until it hands it back. Posts verdict to io exactly
    // once unless the gate is destroyed first: with the decision of a worker;
    // at once with false when every place is taken (and none can be taken
    // back for this user, see GateQuota) or the peer's user is unknown; or,
    // while it waits in a borrowed place, with false when another user's
    // check takes that place back.
    void check(Socket socket, Verdict verdict);

    // Serving thread only, for a socket about to be refused because every
    // place is taken: when its peer's user holds less than its share, the
    // newest waiting check of a user beyond its share is refused (its verdict
    // posted as false) to free a place. Whether a place was freed.
    bool makeRoomFor(Socket& socket);

    // The decision itself, what the platform's listener:shouldAcceptNewConnection:
    // asks: true only for the main application. Any thread but the serving
    // loop's (it reads files the peer controls and may wait on them); the
    // workers call it. Requires socketFd open for the call. Never throws;
    // every failure refuses.
    bool listenerShouldAcceptNewConnection(int socketFd);

private:
    struct PendingCheck;

    bool admitsInfoPlist(const std::filesystem::path& infoPlist, const platform::foundation::FileIdentity& executable);
    void deliver(PendingCheck& check, bool admitted);
    bool reclaimPlaceFor(uid_t user);
    std::unique_ptr<PendingCheck> nextStartable();
    void work();

    asio::io_context& io_;
    const std::unique_ptr<InfoPlistParser> parser_;
    VerdictCache verdicts_;
    // False once the gate is gone: verdicts already posted then stay undelivered.
    std::shared_ptr<std::atomic<bool>> alive_ = std::make_shared<std::atomic<bool>>(true);

    // Guards stopping_, quota_ and queue_, which the serving thread and the
    // workers share; wake_ tells the workers that one of them changed.
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    GateQuota quota_;
    std::deque<std::unique_ptr<PendingCheck>> queue_;
    std::vector<std::thread> workers_;
};

}  // namespace vrl
