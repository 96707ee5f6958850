#pragma once
// What the check scheduler tells its delegate, the coordinator.

namespace qm {

class QMUpdateTimerDelegate {
public:
    virtual ~QMUpdateTimerDelegate() = default;
    // A check is due. Main thread; the delegate may ignore it.
    virtual void timeToCheckForUpdate() = 0;
};

}  // namespace qm
