#pragma once
// The system log: standard error always, the journal when one is running.
#include <string_view>

namespace platform::log {

void systemLog(std::string_view line);

}  // namespace platform::log
