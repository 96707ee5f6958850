#include "sensor-service/server/gate/GateQuota.h"

namespace vrl {

GateQuota::GateQuota(std::size_t total, std::size_t perUser, std::size_t runningPerUser)
    : total_(total), perUser_(perUser), runningPerUser_(runningPerUser) {}

bool GateQuota::tryAdmit(uid_t user) {
    if (admitted_ >= total_) return false;
    UserLoad& load = byUser_[user];
    if (load.admitted >= perUser_) return false;
    ++load.admitted;
    ++admitted_;
    return true;
}

bool GateQuota::mayStart(uid_t user) const {
    const auto found = byUser_.find(user);
    return found == byUser_.end() || found->second.running < runningPerUser_;
}

void GateQuota::started(uid_t user) { ++byUser_[user].running; }

void GateQuota::finished(uid_t user) {
    const auto found = byUser_.find(user);
    if (found == byUser_.end()) return;
    --admitted_;
    --found->second.running;
    if (--found->second.admitted == 0) byUser_.erase(found);
}

}  // namespace vrl
