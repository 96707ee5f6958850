#pragma once
// What tells one version of a file from another without reading it: device,
// inode, size and status-change time. The change time moves on every write,
// rename or chmod and a file's owner cannot set it back, so a file whose
// identity is unchanged still holds what it held.
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>

namespace platform::foundation {

struct FileIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = 0;
    int64_t changeSeconds = 0;
    int64_t changeNanoseconds = 0;

    bool operator==(const FileIdentity&) const = default;

    // Any thread; cannot fail.
    static FileIdentity of(const struct stat& status);
    // The identity of what path names, symbolic links followed. Any thread;
    // none when it cannot be examined. Does not open the file, so a FIFO or a
    // device at the path costs nothing.
    static std::optional<FileIdentity> ofPath(const std::filesystem::path& path);
    // Any thread: a hash for unordered containers.
    std::size_t hash() const;
};

}  // namespace platform::foundation
