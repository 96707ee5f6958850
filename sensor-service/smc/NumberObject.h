#pragma once
// A number as the platform's number class holds it. The kind matters: it is
// stored in the model data as it is and reaches the client unchanged.
#include <cstdint>
#include <variant>

namespace vrl {

using NumberObject = std::variant<std::monostate, uint64_t, int64_t, float, double>;

inline bool isNil(const NumberObject& n) { return std::holds_alternative<std::monostate>(n); }

}  // namespace vrl
