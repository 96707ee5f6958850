#include "client/ModelDataOutput.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <type_traits>
#include <vector>

#include <nlohmann/json.hpp>

#include "client/Readings.h"

namespace vrl::client {

namespace {

std::string number(double value, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return buffer;
}

// Temperatures to a tenth of a degree and fan speeds in whole turns, as
// sensors shows them; the wire's "celcius" is the application's, not ours.
std::string shown(const std::optional<double>& value, const Reading& reading) {
    if (!value) return "n/a";
    switch (reading.kind) {
        case SensorKind::fan: return number(*value, 0) + " rpm";
        case SensorKind::temperature: return number(*value, 1) + " \u00b0C";
        case SensorKind::other: break;
    }
    return reading.unit.empty() ? number(*value, 2) : number(*value, 2) + " " + reading.unit;
}

// A title holds what the SMC's bytes held: a line feed would break the row
// and an escape sequence would reach the terminal, so control characters are
// shown as C escapes.
std::string printable(const std::string& text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\n') out += "\\n";
        else if (c == '\t') out += "\\t";
        else if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
            out += escaped;
        } else out += c;
    }
    return out;
}

// Columns line up on a terminal by characters, not bytes: a translated
// title may hold multi-byte UTF-8 sequences.
std::size_t displayWidth(const std::string& text) {
    std::size_t width = 0;
    for (const char c : text) width += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return width;
}

using Row = std::array<std::string, 5>;

std::string tableText(const std::vector<Row>& rows) {
    std::array<std::size_t, 5> widths{};
    for (const Row& row : rows)
        for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], displayWidth(row[i]));
    std::string out;
    for (const Row& row : rows) {
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i) {
            line += row[i];
            if (i + 1 < row.size()) line.append(widths[i] - displayWidth(row[i]) + 1, ' ');
        }
        line.erase(line.find_last_not_of(' ') + 1);
        out += line + "\n";
    }
    return out;
}

// A float widened to double would print as 0.10000000149011612; its own
// shortest form reads back as the double the sender meant.
double floatAsShortestDouble(float value) {
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    double result = value;
    std::from_chars(buffer, end, result);
    return result;
}

nlohmann::ordered_json json(const Value& value) {
    return std::visit(
        [](const auto& v) -> nlohmann::ordered_json {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::monostate>) return nullptr;
            else if constexpr (std::is_same_v<T, float>) return floatAsShortestDouble(v);
            else return v;
        },
        value);
}

}  // namespace

std::string formatTable(const ModelData& modelData) {
    std::vector<Row> rows{{"KEY", "TITLE", "VALUE", "MIN", "MAX"}};
    for (const Reading& reading : readingsOf(modelData)) {
        const bool fan = reading.kind == SensorKind::fan;
        rows.push_back({printable(reading.key), printable(reading.title), shown(reading.value, reading),
                        fan ? shown(reading.minimum, reading) : "", fan ? shown(reading.maximum, reading) : ""});
    }
    return tableText(rows);
}

std::string formatJson(const ModelData& modelData) {
    nlohmann::ordered_json root = nlohmann::ordered_json::object();
    for (const auto& [key, entry] : modelData) {
        nlohmann::ordered_json fields = nlohmann::ordered_json::object();
        for (const auto& [name, value] : entry) fields[name] = json(value);
        root[key] = std::move(fields);
    }
    return root.dump(2) + "\n";
}

}  // namespace vrl::client
