#include "sensor-service/server/GateQuota.h"

namespace vrl {

GateQuota::GateQuota(std::size_t total, std::size_t perUser) : total_(total), perUser_(perUser) {}

bool GateQuota::tryTake(uid_t user) {
    if (taken_ >= total_) return false;
    std::size_t& byUser = takenByUser_[user];
    if (byUser >= perUser_) return false;
    ++byUser;
    ++taken_;
    return true;
}

void GateQuota::giveBack(uid_t user) {
    const auto found = takenByUser_.find(user);
    if (found == takenByUser_.end()) return;
    --taken_;
    if (--found->second == 0) takenByUser_.erase(found);
}

}  // namespace vrl
