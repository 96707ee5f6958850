#pragma once
// Property lists (XML and binary) read with libplist. Both users of this need
// only the string values of a top-level dictionary.
#include <cstddef>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace platform::foundation {

using StringDictionary = std::map<std::string, std::string>;

// Real Info.plist files are a few KiB; the limit bounds what a hostile one costs.
inline constexpr std::size_t kMaxInfoPlistBytes = 64u * 1024u;

// The string-valued entries of the top-level dictionary; other values are
// left out. Absent when the file is missing, no regular file, larger than
// kMaxInfoPlistBytes, unreadable, not a property list or its top level is not
// a dictionary. Any thread; never throws.
std::optional<StringDictionary> readStringDictionary(const std::filesystem::path& file);
// The same for bytes in memory (XML or binary, at most 1 MiB). Any thread;
// never throws, never aborts on hostile input.
std::optional<StringDictionary> parseStringDictionary(std::string_view bytes);

}  // namespace platform::foundation
