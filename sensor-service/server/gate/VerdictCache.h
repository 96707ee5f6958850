#pragma once
// The gate's verdicts, remembered for the executable and Info.plist they were
// made about, so that a peer that connects again costs a stat of each, not a
// read and parse of its Info.plist. A change to either file changes its
// identity (its status-change time moves and cannot be set back by its
// owner), so a remembered verdict is never about a file that has since
// changed.
#include <cstddef>
#include <optional>
#include <unordered_map>

#include "platform/foundation/FileIdentity.h"
#include "platform/foundation/Mutex.h"

namespace vrl {

struct GateSubject {
    platform::foundation::FileIdentity executable;
    platform::foundation::FileIdentity infoPlist;
    bool operator==(const GateSubject&) const = default;
};

class VerdictCache {
public:
    // Requires capacity > 0.
    explicit VerdictCache(std::size_t capacity = 256);

    // Any thread. The remembered verdict, or none.
    std::optional<bool> verdictFor(const GateSubject& subject) const;
    // Any thread. When full, everything remembered is forgotten first: a
    // flood of distinct files then costs parses, as without the cache, and
    // never memory.
    void remember(const GateSubject& subject, bool admitted);

private:
    struct SubjectHash {
        std::size_t operator()(const GateSubject& subject) const;
    };

    std::size_t capacity_;
    // The gate's workers look up and remember at once.
    mutable platform::Mutex mutex_;
    std::unordered_map<GateSubject, bool, SubjectHash> verdicts_ GUARDED_BY(mutex_);
};

}  // namespace vrl
