#include "client/Readings.h"

#include <algorithm>
#include <cmath>
#include <type_traits>

namespace vrl::client {

namespace {

// What the service writes for a temperature it could not read.
constexpr double kUnreadableTemperature = -1.0;
// sp78 reads -127 (0x8100) and -128 (0x8000) where the SMC has no sensor
// behind a key; no Mac part runs that cold.
constexpr double kNoSensorTemperature = -127.0;

SensorKind kindOf(const Entry& entry) {
    const Value* type = field(entry, "type");
    const std::string* text = type ? std::get_if<std::string>(type) : nullptr;
    if (text && *text == "fans") return SensorKind::fan;
    if (text && *text == "temperature") return SensorKind::temperature;
    return SensorKind::other;
}

std::string textOf(const Value* value) {
    const std::string* text = value ? std::get_if<std::string>(value) : nullptr;
    return text ? *text : std::string();
}

std::optional<double> measured(std::optional<double> number, SensorKind kind) {
    if (!number || !std::isfinite(*number)) return std::nullopt;
    if (kind == SensorKind::temperature && (*number == kUnreadableTemperature || *number <= kNoSensorTemperature))
        return std::nullopt;
    if (kind == SensorKind::fan && *number < 0) return std::nullopt;
    return number;
}

// The service stores -1 (or, from its second fan pass, 0) for a limit it
// could not read. A minimum of 0 is a fan allowed to stop; a maximum of 0 is
// a fan that could never run.
std::optional<double> limit(const Entry& entry, const char* name, bool zeroIsALimit) {
    const std::optional<double> number = numberOf(field(entry, name));
    if (!number || !std::isfinite(*number) || *number < 0 || (*number == 0 && !zeroIsALimit)) return std::nullopt;
    return number;
}

Reading readingOf(const std::string& key, const Entry& entry) {
    Reading reading;
    reading.key = key;
    reading.title = textOf(field(entry, "title"));
    std::erase(reading.title, '\0');
    reading.kind = kindOf(entry);
    reading.unit = textOf(field(entry, "unit"));
    const std::optional<double> number = numberOf(field(entry, "value"));
    reading.value = measured(number, reading.kind);
    reading.noSensor = reading.kind == SensorKind::temperature && number && *number <= kNoSensorTemperature;
    if (reading.kind == SensorKind::fan) {
        reading.minimum = limit(entry, "minvalue", true);
        reading.maximum = limit(entry, "maxvalue", false);
    }
    return reading;
}

}  // namespace

std::optional<double> numberOf(const Value* value) {
    if (value == nullptr) return std::nullopt;
    return std::visit(
        [](const auto& v) -> std::optional<double> {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_arithmetic_v<T> && !std::is_same_v<T, bool>) return static_cast<double>(v);
            else return std::nullopt;
        },
        *value);
}

std::vector<Reading> readingsOf(const ModelData& modelData) {
    std::vector<Reading> readings;
    readings.reserve(modelData.size());
    for (const auto& [key, entry] : modelData) readings.push_back(readingOf(key, entry));
    std::stable_sort(readings.begin(), readings.end(),
                     [](const Reading& a, const Reading& b) { return a.kind < b.kind; });
    return readings;
}

}  // namespace vrl::client
