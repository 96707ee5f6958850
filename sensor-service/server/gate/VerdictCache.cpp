#include "sensor-service/server/gate/VerdictCache.h"

namespace vrl {

std::size_t VerdictCache::SubjectHash::operator()(const GateSubject& subject) const {
    return subject.executable.hash() * 31 + subject.infoPlist.hash();
}

VerdictCache::VerdictCache(std::size_t capacity) : capacity_(capacity) {}

std::optional<bool> VerdictCache::verdictFor(const GateSubject& subject) const {
    const platform::MutexLock lock(mutex_);
    const auto found = verdicts_.find(subject);
    if (found == verdicts_.end()) return std::nullopt;
    return found->second;
}

void VerdictCache::remember(const GateSubject& subject, bool admitted) {
    const platform::MutexLock lock(mutex_);
    if (verdicts_.size() >= capacity_ && !verdicts_.contains(subject)) verdicts_.clear();
    verdicts_[subject] = admitted;
}

}  // namespace vrl
