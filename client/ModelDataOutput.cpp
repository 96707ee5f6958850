#include "client/ModelDataOutput.h"

#include <charconv>
#include <cstdio>
#include <type_traits>

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

std::string padded(std::string cell, std::size_t width) {
    if (cell.size() < width) cell.append(width - cell.size(), ' ');
    return cell;
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
    const std::size_t widths[] = {6, 24, 18, 10, 10};
    const char* headings[] = {"KEY", "TITLE", "VALUE", "MIN", "MAX"};
    std::string out;
    const auto appendRow = [&](const auto& cells) {
        for (std::size_t i = 0; i < 5; ++i) out += padded(cells[i], widths[i]) + (i < 4 ? " " : "");
        out += "\n";
    };
    appendRow(headings);
    for (const auto& [key, entry] : modelData) {
        const std::string value = text(field(entry, "value")) + " " + text(field(entry, "unit"));
        const std::string cells[] = {key, text(field(entry, "title")), value, text(field(entry, "minvalue")),
                                     text(field(entry, "maxvalue"))};
        appendRow(cells);
    }
    return out;
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
