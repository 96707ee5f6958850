#pragma once
// The per-model profile table, as static data: any thread, nothing fails.
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vrl {

class ProfileTable {
public:
    // The rows of the first model identifier equal to platformName (exact,
    // case-sensitive); any other name, or none, gets the default list.
    static std::vector<std::string> rowsFor(const std::optional<std::string>& platformName);
    static std::vector<std::string> defaultRows();
    // The model identifiers in the order they are tested.
    static std::vector<std::string> modelIdentifiers();
};

}  // namespace vrl
