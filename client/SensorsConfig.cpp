#include "client/SensorsConfig.h"

#include <cstdio>
#include <map>

#include "client/Readings.h"

namespace vrl::client {

namespace {

// N of fanN for a fan entry's key F%XAc: the SMC counts fans from 0 in one
// hexadecimal digit, hwmon from 1.
std::optional<int> fanChannel(const std::string& key) {
    if (key.size() != 4 || key[0] != 'F' || key.substr(2) != "Ac") return std::nullopt;
    const char digit = key[1];
    if (digit >= '0' && digit <= '9') return digit - '0' + 1;
    if (digit >= 'A' && digit <= 'F') return digit - 'A' + 11;
    return std::nullopt;
}

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') out.append(1, '\\').append(1, c);
        else if (c == '\n') out += "\\n";
        else if (c == '\t') out += "\\t";
        else if (c == '\r') out += "\\r";
        else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\%03o", static_cast<unsigned char>(c));
            out += escaped;
        } else out += c;
    }
    return out + "\"";
}

std::optional<int> channelOf(const Reading& reading, const ApplesmcChannels& channels) {
    if (reading.kind == SensorKind::fan) {
        const std::optional<int> fan = fanChannel(reading.key);
        if (fan && channels.fans.contains(*fan)) return fan;
    } else if (reading.kind == SensorKind::temperature) {
        const auto found = channels.temperatureByKey.find(reading.key);
        if (found != channels.temperatureByKey.end()) return found->second;
    }
    return std::nullopt;
}

}  // namespace

SensorsConfig formatSensorsConfig(const ModelData& modelData, const ApplesmcChannels& channels) {
    std::map<int, std::string> fanLabels;
    std::map<int, std::string> temperatureLabels;
    std::map<int, std::string> absentTemperatures;  // N -> key
    SensorsConfig config;
    for (const Reading& reading : readingsOf(modelData)) {
        if (reading.kind == SensorKind::other || reading.title.empty()) continue;
        const std::optional<int> channel = channelOf(reading, channels);
        if (!channel) {
            config.notes.push_back(reading.key + " (" + reading.title + ") is not among the applesmc driver's " +
                                   (reading.kind == SensorKind::fan ? "fans" : "temperatures") + " in " +
                                   channels.attributeDirectory.string() + "; no label for it");
            continue;
        }
        auto& labels = reading.kind == SensorKind::fan ? fanLabels : temperatureLabels;
        labels.emplace(*channel, reading.title);
        if (reading.noSensor) absentTemperatures.emplace(*channel, reading.key);
    }
    config.text =
        "# lm-sensors labels for the applesmc driver's readings, with the titles the\n"
        "# Vorrel sensor service gives them on this Mac. Made by vrlsensors\n"
        "# --format=sensors-conf; install as /etc/sensors.d/vorrel.conf.\n"
        "chip \"applesmc-*\"\n";
    for (const auto& [number, title] : fanLabels)
        config.text += "    label fan" + std::to_string(number) + " " + quoted(title) + "\n";
    for (const auto& [number, title] : temperatureLabels)
        config.text += "    label temp" + std::to_string(number) + " " + quoted(title) + "\n";
    for (const auto& [number, key] : absentTemperatures)
        config.text += "    # " + key + " reads -127 \u00b0C or below: the SMC has no sensor there\n    ignore temp" +
                       std::to_string(number) + "\n";
    return config;
}

}  // namespace vrl::client
