#pragma once
// What a running process has cost so far, every thread summed, read from
// /proc: time on a CPU and context switches. Over a stretch in which a server
// does nothing but answer requests, the difference of two readings divided by
// the requests is its cost per request, which the machine's other load moves
// far less than it moves a wall-clock time.
#include <sys/types.h>

namespace bench {

struct ProcessLoad {
    double cpuNanoseconds = 0;
    // Times a thread blocked and was woken again (a server: waited for the
    // next request), and times it was preempted while it still had work.
    double wakeups = 0;
    double preemptions = 0;
    // Wake-ups of every thread but the process's main, serving one: threads a
    // request should never reach.
    double otherThreadWakeups = 0;

    ProcessLoad operator-(const ProcessLoad& earlier) const {
        return {cpuNanoseconds - earlier.cpuNanoseconds, wakeups - earlier.wakeups,
                preemptions - earlier.preemptions, otherThreadWakeups - earlier.otherThreadWakeups};
    }
};

// All zero for a process that is gone.
ProcessLoad processLoad(pid_t pid);

}  // namespace bench
