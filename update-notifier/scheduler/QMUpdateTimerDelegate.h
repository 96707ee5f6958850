#pragma once

namespace qm {

class QMUpdateTimerDelegate {
public:
    virtual ~QMUpdateTimerDelegate() = default;
    virtual void timeToCheckForUpdate() = 0;
};

}  // namespace qm
