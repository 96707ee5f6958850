#include "platform/smc/AttributeFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace platform::smc {

Result<AttributeFile> AttributeFile::open(const std::filesystem::path& path, Access access) {
    const int flags = (access == Access::readWrite ? O_RDWR : O_RDONLY) | O_CLOEXEC;
    int descriptor;
    do descriptor = ::open(path.c_str(), flags);
    while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0) return failErrno("cannot open " + path.string(), errno);
    return AttributeFile(descriptor, path.string());
}

AttributeFile::AttributeFile(AttributeFile&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1)), path_(std::move(other.path_)) {}

AttributeFile& AttributeFile::operator=(AttributeFile&& other) noexcept {
    if (this != &other) {
        if (descriptor_ >= 0) ::close(descriptor_);
        descriptor_ = std::exchange(other.descriptor_, -1);
        path_ = std::move(other.path_);
    }
    return *this;
}

AttributeFile::~AttributeFile() {
    if (descriptor_ >= 0) ::close(descriptor_);
}

Result<size_t> AttributeFile::read(std::span<char> buffer) const {
    ssize_t count;
    do count = ::pread(descriptor_, buffer.data(), buffer.size(), 0);
    while (count < 0 && errno == EINTR);
    if (count < 0) return failErrno("cannot read " + path_, errno);
    return static_cast<size_t>(count);
}

Result<> AttributeFile::write(std::string_view text) const {
    ssize_t count;
    do count = ::pwrite(descriptor_, text.data(), text.size(), 0);
    while (count < 0 && errno == EINTR);
    if (count < 0) return failErrno("cannot write " + path_, errno);
    if (static_cast<size_t>(count) != text.size()) return failErrno("cannot write " + path_, EIO);
    return {};
}

}  // namespace platform::smc
