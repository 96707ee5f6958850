#include "platform/foundation/FileIdentity.h"

namespace platform::foundation {

FileIdentity FileIdentity::of(const struct stat& status) {
    return {static_cast<uint64_t>(status.st_dev), static_cast<uint64_t>(status.st_ino),
            static_cast<int64_t>(status.st_size), static_cast<int64_t>(status.st_ctim.tv_sec),
            static_cast<int64_t>(status.st_ctim.tv_nsec)};
}

std::optional<FileIdentity> FileIdentity::ofPath(const std::filesystem::path& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return std::nullopt;
    return of(status);
}

std::size_t FileIdentity::hash() const {
    std::size_t seed = 0;
    for (const uint64_t part : {device, inode, static_cast<uint64_t>(size), static_cast<uint64_t>(changeSeconds),
                                static_cast<uint64_t>(changeNanoseconds)})
        seed ^= std::hash<uint64_t>{}(part) + 0x9e3779b97f4a7c15ull + (seed << 6) + (seed >> 2);
    return seed;
}

}  // namespace platform::foundation
