#pragma once
// Replaces a file so that a reader sees either the old content or the new,
// never a part: what node_exporter's textfile collector and libsensors need of
// the files vrlsensors writes for them.
#include <filesystem>
#include <string_view>

#include "platform/foundation/Result.h"

namespace vrl::client {

// Replaces the regular file `path` names with one holding `content`: written
// under a hidden name in the same directory (ending in neither ".prom" nor
// ".conf", so no collector reads it half-written), then renamed over it.
//
// - A symbolic link is followed, through any chain of links, and its final
//   target is replaced in the target's own directory; the links stay. A
//   dangling link's target is created.
// - An existing file keeps its permission bits and, when the caller is root,
//   its owner and group; a new file is readable by everyone (0644: its
//   readers run as other users).
// - Anything else (a directory, a device node, a FIFO, a socket) is refused
//   and left untouched: replacing /dev/null with a file would break the
//   machine.
//
// On failure nothing is left behind, the file is as it was, and the error
// names the file and the cause. Not synced to disk: the next write replaces
// it anyway. Any thread; never throws.
platform::Result<void> replaceFile(const std::filesystem::path& path, std::string_view content);

}  // namespace vrl::client
