#pragma once
// Hostile and careless clients of the service, each looping until told to
// stop. They only count what happened; the admitted client judges the
// service's answers.
#include <atomic>
#include <string>

namespace vrl::stress {

struct AttackCounters {
    std::atomic<long> attempts{0};
    // The service ended the connection, as it must for bad input.
    std::atomic<long> closedByService{0};
    // The service kept a bad connection open past the timeout, or answered it
    // with model data.
    std::atomic<long> misbehaved{0};
};

struct CrowdCounters {
    std::atomic<long> opened{0};
    std::atomic<long> heldOpen{0};  // served after the hold: the service kept them
    std::atomic<long> mostKeptAtOnce{0};
    std::atomic<long> closedByService{0};  // beyond the connection limit
    std::atomic<long> failedToConnect{0};
};

struct GateCounters {
    std::atomic<long> refused{0};
    std::atomic<long> admitted{0};
};

using StopFlag = std::atomic<bool>;

void randomBytesAttack(const std::string& socketPath, const StopFlag& stop, AttackCounters& counters);
void hugeLengthAttack(const std::string& socketPath, const StopFlag& stop, AttackCounters& counters);
void truncatedFrameAttack(const std::string& socketPath, const StopFlag& stop, AttackCounters& counters);
void wrongShapeAttack(const std::string& socketPath, const StopFlag& stop, AttackCounters& counters);
// Requests without pause and never reads: must be dropped, not buffered for ever.
void nonReaderAttack(const std::string& socketPath, const StopFlag& stop, AttackCounters& counters);
// Opens more connections than the service admits, holds them, lets go, again.
void idleCrowd(const std::string& socketPath, int size, const StopFlag& stop, CrowdCounters& counters);
// A valid request on fresh connections as fast as possible: from a process the
// gate must refuse, every one is closed unanswered.
void gateProbe(const std::string& socketPath, const StopFlag& stop, GateCounters& counters);

}  // namespace vrl::stress
