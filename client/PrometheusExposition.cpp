#include "client/PrometheusExposition.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <functional>
#include <utility>

#include "client/Readings.h"

namespace vrl::client {

namespace {

struct Family {
    const char* name;
    const char* help;
    SensorKind kind;
    std::function<std::optional<double>(const Reading&)> number;
};

const std::array<Family, 4> kFamilies{{
    {"vorrel_fan_speed_rpm", "Fan speed read from the SMC.", SensorKind::fan,
     [](const Reading& r) { return r.value; }},
    {"vorrel_fan_min_speed_rpm", "Lowest speed the SMC runs the fan at.", SensorKind::fan,
     [](const Reading& r) { return r.minimum; }},
    {"vorrel_fan_max_speed_rpm", "Highest speed the SMC runs the fan at.", SensorKind::fan,
     [](const Reading& r) { return r.maximum; }},
    {"vorrel_temperature_celsius", "Temperature read from the SMC.", SensorKind::temperature,
     [](const Reading& r) { return r.value; }},
}};

// Length of the valid UTF-8 sequence at `i`, or 0 (overlong forms,
// surrogates and code points past U+10FFFF are invalid too).
std::size_t utf8SequenceAt(const std::string& text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) return 1;
    std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k)
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
    const unsigned char second = byte(i + 1);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0) || (lead == 0xF0 && second < 0x90) ||
        (lead == 0xF4 && second >= 0x90))
        return 0;
    return length;
}

std::string labelValue(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 2);
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = utf8SequenceAt(text, i);
        if (length == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        const char c = text[i];
        if (c == '\\') out += "\\\\";
        else if (c == '"') out += "\\\"";
        else if (c == '\n') out += "\\n";
        else out.append(text, i, length);
        i += length;
    }
    return out;
}

// The shortest text that reads back as the same double: 49.5, 2000.
std::string sampleValue(double value) {
    char buffer[32];
    return {buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr};
}

void header(std::string& out, const char* name, const char* help) {
    out.append("# HELP ").append(name).append(" ").append(help).append("\n");
    out.append("# TYPE ").append(name).append(" gauge\n");
}

void family(std::string& out, const Family& family, const std::vector<Reading>& readings) {
    bool headed = false;
    for (const Reading& reading : readings) {
        const std::optional<double> number = reading.kind == family.kind ? family.number(reading) : std::nullopt;
        if (!number) continue;
        if (!std::exchange(headed, true)) header(out, family.name, family.help);
        out.append(family.name)
            .append("{key=\"")
            .append(labelValue(reading.key))
            .append("\",title=\"")
            .append(labelValue(reading.title))
            .append("\"} ")
            .append(sampleValue(*number))
            .append("\n");
    }
}

// Every entry of a kind counts, measurement or not: the count says what the
// service found, the gauges what it could read.
void counts(std::string& out, const std::vector<Reading>& readings) {
    const auto count = [&](SensorKind kind) {
        return std::to_string(std::count_if(readings.begin(), readings.end(),
                                            [kind](const Reading& r) { return r.kind == kind; }));
    };
    header(out, "vorrel_sensors", "Sensors the Vorrel sensor service reported, by type.");
    out.append("vorrel_sensors{type=\"fan\"} ").append(count(SensorKind::fan)).append("\n");
    out.append("vorrel_sensors{type=\"temperature\"} ").append(count(SensorKind::temperature)).append("\n");
}

}  // namespace

std::string formatPrometheus(const std::optional<ModelData>& modelData, const std::string& machineModel) {
    std::string out;
    header(out, "vorrel_sensor_service_up", "Whether the Vorrel sensor service answered (1) or not (0).");
    out.append("vorrel_sensor_service_up ").append(modelData ? "1" : "0").append("\n");
    header(out, "vorrel_machine_info", "The Mac's model identifier, from DMI; always 1.");
    out.append("vorrel_machine_info{model=\"").append(labelValue(machineModel)).append("\"} 1\n");
    if (!modelData) return out;
    const std::vector<Reading> readings = readingsOf(*modelData);
    counts(out, readings);
    for (const Family& each : kFamilies) family(out, each, readings);
    return out;
}

}  // namespace vrl::client
