#include "client/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace vrl::client {

namespace {

std::string failure(const std::string& what, int error) { return what + ": " + std::strerror(error); }

bool writeAll(int fd, std::string_view content) {
    while (!content.empty()) {
        const ssize_t n = ::write(fd, content.data(), content.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        content.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

std::string replaceFile(const std::filesystem::path& path, std::string_view content) {
    const std::filesystem::path directory = path.has_parent_path() ? path.parent_path() : ".";
    std::string temporary = (directory / ("." + path.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return failure("cannot create a file in " + directory.string(), errno);
    bool written = writeAll(fd, content) && ::fchmod(fd, 0644) == 0;
    int error = errno;
    // A full disk may show only at close.
    if (::close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    if (written && std::rename(temporary.c_str(), path.c_str()) == 0) return {};
    if (written) error = errno;
    ::unlink(temporary.c_str());
    return failure("cannot write " + path.string(), error);
}

}  // namespace vrl::client
