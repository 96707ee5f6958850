#include "client/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <optional>

#include "platform/foundation/FileKind.h"

namespace vrl::client {

namespace {

// As many links as the kernel follows in one path before ELOOP.
constexpr int kMaxLinks = 40;

// The file a write to `path` lands in, after every symbolic link, and what is
// there now (nothing for a file still to be created).
struct Target {
    std::filesystem::path path;
    std::optional<struct stat> existing;
};

platform::Result<Target> followLinks(std::filesystem::path path) {
    for (int links = 0; links <= kMaxLinks; ++links) {
        struct stat status {};
        if (::lstat(path.c_str(), &status) != 0) {
            if (errno != ENOENT) return platform::failErrno("cannot write " + path.string(), errno);
            return Target{std::move(path), std::nullopt};
        }
        if (!S_ISLNK(status.st_mode)) return Target{std::move(path), status};
        std::error_code error;
        const std::filesystem::path next = std::filesystem::read_symlink(path, error);
        if (error) return platform::failErrno("cannot follow " + path.string(), error.value());
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    return platform::failErrno("cannot write " + path.string(), ELOOP);
}

bool writeAll(int fd, std::string_view content) {
    while (!content.empty()) {
        const ssize_t n = ::write(fd, content.data(), content.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        content.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// The owner first: changing it clears the set-user-ID and set-group-ID bits.
bool takeOverAttributes(int fd, const std::optional<struct stat>& existing) {
    if (!existing) return ::fchmod(fd, 0644) == 0;
    if (::geteuid() == 0 && ::fchown(fd, existing->st_uid, existing->st_gid) != 0) return false;
    return ::fchmod(fd, existing->st_mode & 07777) == 0;
}

platform::Result<void> writeReplacement(const Target& target, std::string_view content) {
    const std::filesystem::path& path = target.path;
    const std::filesystem::path directory = path.has_parent_path() ? path.parent_path() : ".";
    std::string temporary = (directory / ("." + path.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return platform::failErrno("cannot create a file in " + directory.string(), errno);
    bool written = writeAll(fd, content) && takeOverAttributes(fd, target.existing);
    int error = errno;
    // A full disk may show only at close.
    if (::close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    if (written && std::rename(temporary.c_str(), path.c_str()) == 0) return {};
    if (written) error = errno;
    ::unlink(temporary.c_str());
    return platform::failErrno("cannot write " + path.string(), error);
}

}  // namespace

platform::Result<void> replaceFile(const std::filesystem::path& path, std::string_view content) {
    const auto target = followLinks(path);
    if (!target) return tl::unexpected(target.error());
    if (target->existing && !S_ISREG(target->existing->st_mode))
        return platform::fail("refusing to replace " + target->path.string() + ": it is " +
                              platform::foundation::fileKind(target->existing->st_mode) + ", not a regular file");
    return writeReplacement(*target, content);
}

}  // namespace vrl::client
