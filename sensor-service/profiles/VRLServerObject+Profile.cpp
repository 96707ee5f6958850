// The platform profile: the profile list of this Mac split into key and title.
#include "platform/log/SystemLog.h"
#include "sensor-service/server/VRLServerObject.h"

namespace vrl {

namespace {

std::pair<std::string, std::string> splitRow(const std::string& row) {
    // First and last piece: a row without "|" pairs the whole row with itself.
    const std::size_t first = row.find('|');
    const std::size_t last = row.rfind('|');
    if (first == std::string::npos) return {row, row};
    return {row.substr(0, first), row.substr(last + 1)};
}

}  // namespace

void VRLServerObject::assignProfile() {
    profiles = std::make_unique<VRLServerProfiles>(env_.platformName);
    const std::vector<std::string> rows = profiles->systemProfile();
    if (rows.empty()) {
        platform::log::systemLog("No suitible profile found");
        return;
    }
    std::vector<std::pair<std::string, std::string>> pairs;
    pairs.reserve(rows.size());
    for (const std::string& row : rows) pairs.push_back(splitRow(row));
    _platformProfile = std::move(pairs);
}

}  // namespace vrl
