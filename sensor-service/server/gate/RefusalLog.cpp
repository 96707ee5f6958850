#include "sensor-service/server/gate/RefusalLog.h"

#include <filesystem>
#include <string>
#include <system_error>

#include "platform/ipc/PeerProcess.h"
#include "platform/log/SystemLog.h"

namespace vrl {

namespace {

// Only for the message: what /proc says now, however long ago the peer connected.
std::string describePeer(int socketFd) {
    const std::optional<pid_t> pid = platform::ipc::peerProcessId(socketFd);
    if (!pid) return "a peer of unknown process";
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/" + std::to_string(*pid) + "/exe", ec);
    return "pid " + std::to_string(*pid) + ", " + (ec ? "executable unknown" : exe.string());
}

}  // namespace

RefusalLog::RefusalLog(std::size_t lines, Clock::duration window) : lines_(lines), window_(window) {}

void RefusalLog::refused(int socketFd, Clock::time_point now) {
    if (!mayWrite(now)) {
        ++withheld_;
        return;
    }
    if (withheld_ > 0) {
        platform::log::debugLog(std::to_string(withheld_) + " more refused clients not logged");
        withheld_ = 0;
    }
    platform::log::debugLog("refused client: " + describePeer(socketFd));
}

bool RefusalLog::mayWrite(Clock::time_point now) {
    if (written_ == 0 || now - windowStart_ >= window_) {
        windowStart_ = now;
        written_ = 0;
    }
    if (written_ >= lines_) return false;
    ++written_;
    return true;
}

}  // namespace vrl
