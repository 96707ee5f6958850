#include "bench/common/ProcessLoad.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "tests/support/ProcStatus.h"

namespace bench {
namespace {

// A count from a thread's status file, 0 once the thread is gone.
double statusCount(const std::filesystem::path& task, std::string_view field) {
    return vrl::test::statusField(task / "status", field).value_or(0);
}

}  // namespace

ProcessLoad processLoad(pid_t pid) {
    ProcessLoad load;
    const std::string mainThread = std::to_string(pid);
    std::error_code ec;
    for (const auto& task : std::filesystem::directory_iterator("/proc/" + mainThread + "/task", ec)) {
        std::ifstream schedstat(task.path() / "schedstat");
        double ns = 0;
        schedstat >> ns;
        load.cpuNanoseconds += ns;
        const double wakeups = statusCount(task.path(), "voluntary_ctxt_switches");
        load.wakeups += wakeups;
        load.preemptions += statusCount(task.path(), "nonvoluntary_ctxt_switches");
        if (task.path().filename() != mainThread) load.otherThreadWakeups += wakeups;
    }
    return load;
}

}  // namespace bench
