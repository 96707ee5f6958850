#include "sensor-service/server/gate/GateQuota.h"

namespace vrl {

GateQuota::GateQuota(std::size_t total, std::size_t share, std::size_t runningPerUser)
    : total_(total), share_(share), runningPerUser_(runningPerUser) {}

bool GateQuota::tryAdmit(uid_t user) {
    if (admitted_ >= total_) return false;
    ++byUser_[user].admitted;
    ++admitted_;
    return true;
}

bool GateQuota::mayReclaim(uid_t user) const {
    const auto found = byUser_.find(user);
    return found == byUser_.end() || found->second.admitted < share_;
}

bool GateQuota::isBorrowing(uid_t user) const {
    const auto found = byUser_.find(user);
    return found != byUser_.end() && found->second.admitted > share_;
}

bool GateQuota::mayStart(uid_t user) const {
    const auto found = byUser_.find(user);
    return found == byUser_.end() || found->second.running < runningPerUser_;
}

void GateQuota::started(uid_t user) { ++byUser_[user].running; }

void GateQuota::finished(uid_t user) { release(user, true); }

void GateQuota::withdrawn(uid_t user) { release(user, false); }

void GateQuota::release(uid_t user, bool wasRunning) {
    const auto found = byUser_.find(user);
    if (found == byUser_.end()) return;
    --admitted_;
    if (wasRunning) --found->second.running;
    if (--found->second.admitted == 0) byUser_.erase(found);
}

}  // namespace vrl
