#pragma once
// Property lists (XML and binary) read with libplist. Both users of this need
// only the string values of a top-level dictionary.
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace platform::foundation {

using StringDictionary = std::map<std::string, std::string>;

// The string-valued entries of the top-level dictionary; other values are
// left out. Absent when the file is missing, unreadable, not a property list
// or its top level is not a dictionary.
std::optional<StringDictionary> readStringDictionary(const std::filesystem::path& file);
std::optional<StringDictionary> parseStringDictionary(std::string_view bytes);

}  // namespace platform::foundation
