#pragma once
// Replaces a file so that a reader sees either the old content or the new,
// never a part: what node_exporter's textfile collector and libsensors need of
// the files vrlsensors writes for them.
#include <filesystem>
#include <string>
#include <string_view>

namespace vrl::client {

// Writes `content` to a new file in the same directory as `path` (a hidden
// name that ends in neither ".prom" nor ".conf", so no collector reads it
// half-written), makes it readable by everyone (0644: its readers run as other
// users), then renames it over `path`. On failure the temporary file is gone,
// `path` is as it was, and the result names the file and the cause; on
// success the result is empty. Not synced to disk: the next write replaces it
// anyway. Any thread; never throws.
std::string replaceFile(const std::filesystem::path& path, std::string_view content);

}  // namespace vrl::client
