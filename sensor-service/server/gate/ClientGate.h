#pragma once
// The client gate: admits a connection only when its peer process runs an
// executable at X.app/Contents/MacOS/<name> whose Info.plist says
// CFBundleIdentifier = kClientBundleIdentifier, exactly.
//
// Deciding means reading files the peer controls, which can be slow, huge or
// made to block; so it never runs on the serving loop. Worker threads decide
// and post each verdict back to the loop; GateQuota bounds what waits for
// them, and VerdictCache spares a peer that comes back a second parse.
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

#include "platform/foundation/PropertyList.h"
#include "sensor-service/server/gate/GateQuota.h"
#include "sensor-service/server/gate/VerdictCache.h"

namespace vrl {

inline constexpr const char* kClientBundleIdentifier = "com.quenmoor.vorrel";

class ClientGate {
public:
    using Verdict = std::function<void(bool admitted)>;
    using InfoPlistParser = std::function<std::optional<platform::foundation::StringDictionary>(std::string_view)>;

    // See GateQuota for why each cap.
    struct Limits {
        std::size_t workers = 2;
        std::size_t checksInFlight = 256;         // waiting and running, all users
        std::size_t checksInFlightPerUser = 128;  // fewer than all: one user cannot fill them
        std::size_t runningChecksPerUser = 1;     // fewer than workers: one user cannot hold them all
        std::size_t rememberedVerdicts = 256;
    };

    // Serving thread, with the serving io_context. Requires every limit > 0,
    // checksInFlightPerUser < checksInFlight and runningChecksPerUser <
    // workers. Starts the workers; a thread that cannot be started leaves
    // fewer (none: every check refused).
    // parseInfoPlist turns the Info.plist's bytes into its string entries.
    explicit ClientGate(asio::io_context& io, Limits limits,
                        InfoPlistParser parseInfoPlist = platform::foundation::parseStringDictionary);
    explicit ClientGate(asio::io_context& io) : ClientGate(io, Limits{}) {}
    // Serving thread. Stops and joins the workers, after any check they are
    // running (which can take as long as its slowest file); verdicts not yet
    // delivered are dropped, never called.
    ~ClientGate();
    ClientGate(const ClientGate&) = delete;
    ClientGate& operator=(const ClientGate&) = delete;

    // Serving thread only. Requires socketFd to be a connected Unix stream
    // socket that the caller keeps open until verdict has been called (or the
    // gate destroyed): workers read it. Posts verdict to io exactly once
    // unless the gate is destroyed first: with the decision of a worker, or
    // at once with false when a cap is reached or the peer's user is unknown.
    void check(int socketFd, Verdict verdict);

    // The decision itself, what the platform's listener:shouldAcceptNewConnection:
    // asks: true only for the main application. Any thread but the serving
    // loop's (it reads files the peer controls and may wait on them); the
    // workers call it. Requires socketFd open for the call. Never throws;
    // every failure refuses.
    bool listenerShouldAcceptNewConnection(int socketFd);

private:
    struct PendingCheck;

    bool admitsInfoPlist(const std::filesystem::path& infoPlist, const platform::foundation::FileIdentity& executable);
    void deliver(Verdict verdict, bool admitted);
    std::unique_ptr<PendingCheck> nextStartable();
    void work();

    asio::io_context& io_;
    InfoPlistParser parseInfoPlist_;
    VerdictCache verdicts_;
    // False once the gate is gone: verdicts already posted then stay undelivered.
    std::shared_ptr<std::atomic<bool>> alive_ = std::make_shared<std::atomic<bool>>(true);

    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    GateQuota quota_;
    std::deque<std::unique_ptr<PendingCheck>> queue_;
    std::vector<std::thread> workers_;
};

}  // namespace vrl
