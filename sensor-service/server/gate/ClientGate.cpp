#include "sensor-service/server/gate/ClientGate.h"

#include <system_error>

#include <asio/executor_work_guard.hpp>
#include <asio/post.hpp>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/SmallFile.h"
#include "platform/ipc/PeerProcess.h"

namespace vrl {

using platform::foundation::FileIdentity;

struct ClientGate::PendingCheck {
    PendingCheck(Socket socket, uid_t user, Verdict verdict, asio::io_context& io)
        : socket(std::move(socket)), user(user), verdict(std::move(verdict)), keepsLoopRunning(io.get_executor()) {}

    // A worker only reads the peer's identity through the descriptor; the
    // socket object itself is touched on the serving thread alone.
    Socket socket;
    uid_t user;
    Verdict verdict;
    // The loop must not run out of work while a verdict is still to come.
    asio::executor_work_guard<asio::io_context::executor_type> keepsLoopRunning;
};

ClientGate::ClientGate(asio::io_context& io, Limits limits, std::unique_ptr<InfoPlistParser> parser)
    : io_(io),
      parser_(std::move(parser)),
      verdicts_(limits.rememberedVerdicts),
      quota_(limits.checksInFlight, limits.checksInFlightPerUser, limits.runningChecksPerUser) {
    for (std::size_t i = 0; i < limits.workers; ++i) {
        try {
            workers_.emplace_back([this] { work(); });
        } catch (const std::system_error&) {
            break;
        }
    }
}

ClientGate::~ClientGate() {
    *alive_ = false;
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& worker : workers_) worker.join();
}

void ClientGate::check(Socket socket, Verdict verdict) {
    const std::optional<uid_t> user = platform::ipc::peerUserId(socket.native_handle());
    auto pending = std::make_unique<PendingCheck>(std::move(socket), user.value_or(0), std::move(verdict), io_);
    if (user && !workers_.empty()) {
        const std::lock_guard lock(mutex_);
        if (quota_.tryAdmit(*user) || (reclaimPlaceFor(*user) && quota_.tryAdmit(*user)))
            queue_.push_back(std::move(pending));
    }
    if (!pending) wake_.notify_one();
    else deliver(*pending, false);
}

bool ClientGate::makeRoomFor(Socket& socket) {
    const std::optional<uid_t> user = platform::ipc::peerUserId(socket.native_handle());
    if (!user) return false;
    const std::lock_guard lock(mutex_);
    return reclaimPlaceFor(*user);
}

// The newest waiting check of a borrowing user is the one refused: it has
// waited least, and the borrower's older checks keep their turn.
// Requires mutex_ held.
bool ClientGate::reclaimPlaceFor(uid_t user) {
    if (!quota_.mayReclaim(user)) return false;
    for (auto it = queue_.rbegin(); it != queue_.rend(); ++it) {
        if (!quota_.isBorrowing((*it)->user)) continue;
        std::unique_ptr<PendingCheck> borrowed = std::move(*it);
        queue_.erase(std::next(it).base());
        quota_.withdrawn(borrowed->user);
        deliver(*borrowed, false);
        return true;
    }
    return false;
}

// The socket travels back with the verdict; a verdict dropped because the
// gate has gone closes it on the loop's thread when the handler is destroyed.
void ClientGate::deliver(PendingCheck& check, bool admitted) {
    asio::post(io_, [alive = alive_, verdict = std::move(check.verdict), socket = std::move(check.socket),
                     admitted]() mutable {
        if (*alive) verdict(std::move(socket), admitted);
    });
}

// The oldest waiting check whose user may start one more, taken off the
// queue and counted as running; none when every waiting user is at its limit.
// Requires mutex_ held.
std::unique_ptr<ClientGate::PendingCheck> ClientGate::nextStartable() {
    for (auto it = queue_.begin(); it != queue_.end(); ++it) {
        if (!quota_.mayStart((*it)->user)) continue;
        std::unique_ptr<PendingCheck> pending = std::move(*it);
        queue_.erase(it);
        quota_.started(pending->user);
        return pending;
    }
    return nullptr;
}

void ClientGate::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        std::unique_ptr<PendingCheck> pending;
        wake_.wait(lock, [&] { return stopping_ || (pending = nextStartable()); });
        if (stopping_) return;
        lock.unlock();
        const bool admitted = listenerShouldAcceptNewConnection(pending->socket.native_handle());
        // Counted out before the verdict arrives, so a peer that reconnects
        // right after it is not refused for a check already done.
        lock.lock();
        quota_.finished(pending->user);
        deliver(*pending, admitted);
    }
}

bool ClientGate::listenerShouldAcceptNewConnection(int socketFd) {
    try {
        const std::optional<platform::ipc::PeerExecutable> exe = platform::ipc::peerExecutable(socketFd);
        if (!exe) return false;
        const platform::foundation::Bundle bundle = platform::foundation::Bundle::forExecutable(exe->path);
        if (!bundle.isApplicationBundle()) return false;
        return admitsInfoPlist(*bundle.infoPlistPath(), exe->identity);
    } catch (const std::exception&) {
        return false;
    }
}

bool ClientGate::admitsInfoPlist(const std::filesystem::path& infoPlist, const FileIdentity& executable) {
    if (const std::optional<FileIdentity> seen = FileIdentity::ofPath(infoPlist)) {
        if (const std::optional<bool> known = verdicts_.verdictFor({executable, *seen})) return *known;
    }
    const auto file = platform::foundation::readSmallFile(infoPlist, platform::foundation::kMaxInfoPlistBytes);
    if (!file) return false;
    const std::optional<platform::foundation::StringDictionary> info = parser_->parse(file->bytes);
    bool admitted = false;
    if (info) {
        const auto identifier = info->find("CFBundleIdentifier");
        admitted = identifier != info->end() && identifier->second == kClientBundleIdentifier;
    }
    // Remembered for the file that was read, whatever the path names by now.
    verdicts_.remember({executable, file->identity}, admitted);
    return admitted;
}

}  // namespace vrl
