#pragma once
// A localisation strings table: the old-style "key" = "value"; text format
// (UTF-8, or UTF-16 with a byte-order mark) or a property list. A malformed
// table is rejected whole.
#include <filesystem>
#include <optional>
#include <string_view>

#include "platform/foundation/PropertyList.h"

namespace platform::foundation {

// The table's entries; none when malformed or larger than 1 MiB. Any thread;
// never throws.
std::optional<StringDictionary> parseStringsTable(std::string_view bytes);
// The same for a file; none also when it is missing or no regular file.
std::optional<StringDictionary> readStringsTable(const std::filesystem::path& file);

}  // namespace platform::foundation
