#pragma once
// One field of a /proc status file (/proc/PID/status, or a thread's
// /proc/PID/task/TID/status), as the tests and the benchmarks watch a process.
#include <filesystem>
#include <optional>
#include <string_view>

namespace vrl::test {

// The number after "field:" (kB for the memory fields); none when the file
// or the field is missing, which is the case once the process is gone.
std::optional<double> statusField(const std::filesystem::path& statusFile, std::string_view field);

}  // namespace vrl::test
