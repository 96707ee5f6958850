#include "sensor-service/profiles/PlatformProfile.h"

#include "platform/log/SystemLog.h"

namespace vrl {

namespace {

std::pair<std::string, std::string> splitRow(const std::string& row) {
    const std::size_t first = row.find('|');
    const std::size_t last = row.rfind('|');
    if (first == std::string::npos) return {row, row};
    return {row.substr(0, first), row.substr(last + 1)};
}

}  // namespace

PlatformProfile platformProfileFromRows(const std::vector<std::string>& rows) {
    if (rows.empty()) platform::log::systemLog("No suitible profile found");
    PlatformProfile profile;
    profile.reserve(rows.size());
    for (const std::string& row : rows) profile.push_back(splitRow(row));
    return profile;
}

}  // namespace vrl
