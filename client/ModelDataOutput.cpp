#include "client/ModelDataOutput.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <type_traits>
#include <vector>

#include <nlohmann/json.hpp>

namespace vrl::client {

namespace {

std::string text(const Value* value) {
    if (value == nullptr) return "";
    return std::visit(
        [](const auto& v) -> std::string {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::monostate>) return "-";
            else if constexpr (std::is_same_v<T, std::string>) return v;
            else if constexpr (std::is_same_v<T, bool>) return v ? "true" : "false";
            else if constexpr (std::is_floating_point_v<T>) {
                char buffer[64];
                std::snprintf(buffer, sizeof buffer, "%.2f", static_cast<double>(v));
                return buffer;
            } else return std::to_string(v);
        },
        *value);
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
    for (const auto& [key, entry] : modelData) {
        const std::string value = text(field(entry, "value")) + " " + text(field(entry, "unit"));
        rows.push_back({key, text(field(entry, "title")), value, text(field(entry, "minvalue")),
                        text(field(entry, "maxvalue"))});
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
