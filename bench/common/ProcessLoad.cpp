#include "bench/common/ProcessLoad.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace bench {
namespace {

// The number after `name` in a task's status file, 0 when it is missing.
double statusField(const std::filesystem::path& task, std::string_view name) {
    std::ifstream status(task / "status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with(name)) return std::stod(line.substr(name.size()));
    }
    return 0;
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
        const double wakeups = statusField(task.path(), "voluntary_ctxt_switches:");
        load.wakeups += wakeups;
        load.preemptions += statusField(task.path(), "nonvoluntary_ctxt_switches:");
        if (task.path().filename() != mainThread) load.otherThreadWakeups += wakeups;
    }
    return load;
}

}  // namespace bench
