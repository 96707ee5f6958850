#pragma once
// Reading a small file that someone else may control (a bundle's Info.plist,
// a strings table, a sysfs attribute). The file is opened without blocking
// and without becoming a controlling terminal, and only a regular file no
// larger than the caller's limit is read, through the descriptor that was
// checked: a FIFO, a device or a file swapped in after a size check can
// neither hang the reader nor make it read without end.
#include <cstddef>
#include <filesystem>
#include <string>

#include "platform/foundation/FileIdentity.h"
#include "platform/foundation/Result.h"

namespace platform::foundation {

struct SmallFile {
    std::string bytes;
    FileIdentity identity;  // of the file that was read, not of whatever the path names now
};

// Requires maxBytes > 0. Any thread. An error naming the path and the cause
// when the path is missing or cannot be opened (strerror), is no regular file
// (naming what it is: a directory, a FIFO, a device...), is larger than
// maxBytes (when opened or while read), a read fails (strerror) or the file
// changed while read. Never throws.
platform::Result<SmallFile> readSmallFile(const std::filesystem::path& path, std::size_t maxBytes);

}  // namespace platform::foundation
