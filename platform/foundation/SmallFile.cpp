#include "platform/foundation/SmallFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <sys/stat.h>

#include <cerrno>
#include <new>

#include "platform/foundation/FileKind.h"
#include "platform/foundation/OwnedDescriptor.h"

namespace platform::foundation {
namespace {

platform::Result<void> refuseLarger(const std::filesystem::path& path, std::size_t maxBytes) {
    return platform::fail(path.string() + " is larger than " + std::to_string(maxBytes) + " bytes");
}

// Reads to the end, but never more than maxBytes: the size fstat gave can be
// wrong (sysfs and procfs report 4096 or 0) or grow while the file is read.
platform::Result<void> readAtMost(int fd, const std::filesystem::path& path, std::size_t maxBytes, std::string& out) {
    char buffer[8192];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got == 0) return {};
        if (got < 0) {
            if (errno == EINTR) continue;
            return platform::failErrno("cannot read " + path.string(), errno);
        }
        if (out.size() + static_cast<std::size_t>(got) > maxBytes) return refuseLarger(path, maxBytes);
        out.append(buffer, static_cast<std::size_t>(got));
    }
}

platform::Result<void> requireRegular(const std::filesystem::path& path, const struct stat& status) {
    if (S_ISREG(status.st_mode)) return {};
    return platform::fail(path.string() + " is " + fileKind(status.st_mode) + ", not a regular file");
}

platform::Result<SmallFile> readOpened(int fd, const std::filesystem::path& path, std::size_t maxBytes) {
    struct stat status {};
    if (::fstat(fd, &status) != 0) return platform::failErrno("cannot read " + path.string(), errno);
    if (auto regular = requireRegular(path, status); !regular) return tl::unexpected(regular.error());
    if (status.st_size < 0 || static_cast<uint64_t>(status.st_size) > maxBytes)
        return tl::unexpected(refuseLarger(path, maxBytes).error());
    SmallFile file{{}, FileIdentity::of(status)};
    file.bytes.reserve(static_cast<std::size_t>(status.st_size));
    if (auto read = readAtMost(fd, path, maxBytes, file.bytes); !read) return tl::unexpected(read.error());
    // Written to while read: the bytes belong to no one identity.
    struct stat after {};
    if (::fstat(fd, &after) != 0 || !(FileIdentity::of(after) == file.identity))
        return platform::fail(path.string() + " changed while it was read");
    return file;
}

}  // namespace

platform::Result<SmallFile> readSmallFile(const std::filesystem::path& path, std::size_t maxBytes) {
    // Opening some devices already does something (a tape rewinds), so what is
    // no regular file is not opened at all, unless swapped in after this look;
    // the checks on the open descriptor below are the ones that count.
    struct stat seen {};
    if (::stat(path.c_str(), &seen) != 0) return platform::failErrno(path.string(), errno);
    if (auto regular = requireRegular(path, seen); !regular) return tl::unexpected(regular.error());
    // Non-blocking: opening a FIFO nobody writes to would otherwise wait for ever.
    const OwnedDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0) return platform::failErrno("cannot open " + path.string(), errno);
    try {
        return readOpened(fd.get(), path, maxBytes);
    } catch (const std::bad_alloc&) {
        return platform::fail("not enough memory to read " + path.string(), ENOMEM);
    }
}

}  // namespace platform::foundation
