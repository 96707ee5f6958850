#include "platform/smc/AttributeFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace platform::smc {

std::optional<AttributeFile> AttributeFile::open(const std::filesystem::path& path, Access access,
                                                 int& error) noexcept {
    const int flags = (access == Access::readWrite ? O_RDWR : O_RDONLY) | O_CLOEXEC;
    int descriptor;
    do descriptor = ::open(path.c_str(), flags);
    while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0) {
        error = errno;
        return std::nullopt;
    }
    error = 0;
    return AttributeFile(descriptor);
}

AttributeFile::AttributeFile(AttributeFile&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1)) {}

AttributeFile& AttributeFile::operator=(AttributeFile&& other) noexcept {
    if (this != &other) {
        if (descriptor_ >= 0) ::close(descriptor_);
        descriptor_ = std::exchange(other.descriptor_, -1);
    }
    return *this;
}

AttributeFile::~AttributeFile() {
    if (descriptor_ >= 0) ::close(descriptor_);
}

AttributeRead AttributeFile::read(std::span<char> buffer) const noexcept {
    ssize_t count;
    do count = ::pread(descriptor_, buffer.data(), buffer.size(), 0);
    while (count < 0 && errno == EINTR);
    if (count < 0) return {0, errno};
    return {static_cast<size_t>(count), 0};
}

int AttributeFile::write(std::string_view text) const noexcept {
    ssize_t count;
    do count = ::pwrite(descriptor_, text.data(), text.size(), 0);
    while (count < 0 && errno == EINTR);
    if (count < 0) return errno;
    return static_cast<size_t>(count) == text.size() ? 0 : EIO;
}

}  // namespace platform::smc
