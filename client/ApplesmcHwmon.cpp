#include "client/ApplesmcHwmon.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <optional>
#include <system_error>
#include <vector>

namespace vrl::client {

namespace {

namespace fs = std::filesystem;

// An attribute's text without the line feed the kernel ends it with; nothing
// where it cannot be read (a file the kernel refuses reads as an error).
std::optional<std::string> attribute(const fs::path& path) {
    std::ifstream in(path);
    std::string text;
    if (!in || !std::getline(in, text)) return std::nullopt;
    text.erase(text.find_last_not_of(" \t\r\n") + 1);
    return text;
}

// N of "<prefix>N<suffix>", or nothing.
std::optional<int> channelNumber(const std::string& name, std::string_view prefix, std::string_view suffix) {
    if (name.size() <= prefix.size() + suffix.size() || !name.starts_with(prefix) || !name.ends_with(suffix))
        return std::nullopt;
    const char* first = name.data() + prefix.size();
    const char* last = name.data() + name.size() - suffix.size();
    int number = 0;
    const auto [end, error] = std::from_chars(first, last, number);
    if (error != std::errc() || end != last || number < 1) return std::nullopt;
    return number;
}

bool isApplesmc(const fs::path& hwmon) {
    std::optional<std::string> name = attribute(hwmon / "name");
    if (!name) name = attribute(hwmon / "device" / "name");
    return name == "applesmc";
}

ApplesmcChannels channelsIn(const fs::path& directory) {
    ApplesmcChannels channels{directory, {}, {}};
    std::vector<std::pair<int, std::string>> temperatures;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(directory, error)) {
        const std::string name = entry.path().filename().string();
        if (const auto fan = channelNumber(name, "fan", "_input")) channels.fans.insert(*fan);
        const auto temperature = channelNumber(name, "temp", "_label");
        if (!temperature) continue;
        if (std::optional<std::string> key = attribute(entry.path())) temperatures.emplace_back(*temperature, *key);
    }
    std::sort(temperatures.begin(), temperatures.end());
    for (const auto& [number, key] : temperatures) channels.temperatureByKey.emplace(key, number);
    return channels;
}

bool hasChannels(const ApplesmcChannels& channels) {
    return !channels.temperatureByKey.empty() || !channels.fans.empty();
}

}  // namespace

platform::Result<ApplesmcChannels> findApplesmcChannels(const fs::path& sysfsRoot) {
    const fs::path classDirectory = sysfsRoot / "class" / "hwmon";
    std::vector<fs::path> devices;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(classDirectory, error)) devices.push_back(entry.path());
    std::sort(devices.begin(), devices.end());
    for (const fs::path& hwmon : devices) {
        if (!isApplesmc(hwmon)) continue;
        // Drivers registered the new way keep their readings in the hwmon
        // directory itself; applesmc keeps them in its device's.
        ApplesmcChannels channels = channelsIn(hwmon);
        if (!hasChannels(channels)) channels = channelsIn(fs::canonical(hwmon / "device", error));
        if (hasChannels(channels)) return channels;
        return platform::fail("the applesmc hwmon device " + hwmon.string() + " shows no temperature or fan");
    }
    return platform::fail("no hwmon device named applesmc under " + classDirectory.string() +
                          ": the applesmc driver is not loaded (not an Intel Mac, or the module is missing: "
                          "modprobe applesmc)");
}

}  // namespace vrl::client
