#pragma once
// The model data as the client receives it: entries and their fields in the
// order they came, each number in the kind it crossed the wire in.
#include <cstdint>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace vrl::client {

using Value = std::variant<std::monostate, bool, uint64_t, int64_t, float, double, std::string>;
using Entry = std::vector<std::pair<std::string, Value>>;
using ModelData = std::vector<std::pair<std::string, Entry>>;

const Value* field(const Entry& entry, const std::string& name);

}  // namespace vrl::client
