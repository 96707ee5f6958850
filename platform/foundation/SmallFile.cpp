#include "platform/foundation/SmallFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <new>

#include "platform/foundation/OwnedDescriptor.h"

namespace platform::foundation {
namespace {

// Reads to the end, but never more than maxBytes: the size fstat gave can be
// wrong (sysfs and procfs report 4096 or 0) or grow while the file is read.
bool readAtMost(int fd, std::size_t maxBytes, std::string& out) {
    char buffer[8192];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got == 0) return true;
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (out.size() + static_cast<std::size_t>(got) > maxBytes) return false;
        out.append(buffer, static_cast<std::size_t>(got));
    }
}

}  // namespace

std::optional<SmallFile> readSmallFile(const std::filesystem::path& path, std::size_t maxBytes) {
    // Opening some devices already does something (a tape rewinds), so what is
    // no regular file is not opened at all, unless swapped in after this look;
    // the checks on the open descriptor below are the ones that count.
    struct stat seen {};
    if (::stat(path.c_str(), &seen) != 0 || !S_ISREG(seen.st_mode)) return std::nullopt;
    // Non-blocking: opening a FIFO nobody writes to would otherwise wait for ever.
    const OwnedDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0) return std::nullopt;
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
    if (status.st_size < 0 || static_cast<uint64_t>(status.st_size) > maxBytes) return std::nullopt;
    try {
        SmallFile file{{}, FileIdentity::of(status)};
        file.bytes.reserve(static_cast<std::size_t>(status.st_size));
        if (!readAtMost(fd.get(), maxBytes, file.bytes)) return std::nullopt;
        // Written to while read: the bytes belong to no one identity.
        struct stat after {};
        if (::fstat(fd.get(), &after) != 0 || !(FileIdentity::of(after) == file.identity)) return std::nullopt;
        return file;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace platform::foundation
