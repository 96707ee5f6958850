#include "platform/foundation/SmallFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <new>
#include <string>

#include "platform/foundation/OwnedDescriptor.h"

namespace platform::foundation {
namespace {

tl::unexpected<Error> notRegular(const std::filesystem::path& path) {
    return fail(path.string() + ": not a regular file");
}

tl::unexpected<Error> tooLarge(const std::filesystem::path& path, std::size_t maxBytes) {
    return fail(path.string() + ": larger than " + std::to_string(maxBytes) + " bytes", EFBIG);
}

// Reads to the end, but never more than maxBytes: the size fstat gave can be
// wrong (sysfs and procfs report 4096 or 0) or grow while the file is read.
Result<> readAtMost(int fd, const std::filesystem::path& path, std::size_t maxBytes, std::string& out) {
    char buffer[8192];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got == 0) return {};
        if (got < 0) {
            if (errno == EINTR) continue;
            return failErrno(path.string(), errno);
        }
        if (out.size() + static_cast<std::size_t>(got) > maxBytes) return tooLarge(path, maxBytes);
        out.append(buffer, static_cast<std::size_t>(got));
    }
}

Result<SmallFile> readChecked(const std::filesystem::path& path, std::size_t maxBytes) {
    // Opening some devices already does something (a tape rewinds), so what is
    // no regular file is not opened at all, unless swapped in after this look;
    // the checks on the open descriptor below are the ones that count.
    struct stat seen {};
    if (::stat(path.c_str(), &seen) != 0) return failErrno(path.string(), errno);
    if (!S_ISREG(seen.st_mode)) return notRegular(path);
    // Non-blocking: opening a FIFO nobody writes to would otherwise wait for ever.
    const OwnedDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0) return failErrno(path.string(), errno);
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0) return failErrno(path.string(), errno);
    if (!S_ISREG(status.st_mode)) return notRegular(path);
    if (status.st_size < 0 || static_cast<uint64_t>(status.st_size) > maxBytes) return tooLarge(path, maxBytes);
    SmallFile file{{}, FileIdentity::of(status)};
    file.bytes.reserve(static_cast<std::size_t>(status.st_size));
    if (Result<> read = readAtMost(fd.get(), path, maxBytes, file.bytes); !read) return tl::unexpected(read.error());
    // Written to while read: the bytes belong to no one identity.
    struct stat after {};
    if (::fstat(fd.get(), &after) != 0 || !(FileIdentity::of(after) == file.identity))
        return fail(path.string() + ": changed while it was read");
    return file;
}

}  // namespace

Result<SmallFile> readSmallFile(const std::filesystem::path& path, std::size_t maxBytes) {
    try {
        return readChecked(path, maxBytes);
    } catch (const std::bad_alloc&) {
        return fail("out of memory", ENOMEM);  // short enough to need no allocation
    }
}

}  // namespace platform::foundation
