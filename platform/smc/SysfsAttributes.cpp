#include "platform/smc/SysfsAttributes.h"

#include <fcntl.h>
#include <unistd.h>

namespace platform::smc {
namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

}  // namespace

SysfsAttributes::SysfsAttributes(std::filesystem::path directory) : directory_(std::move(directory)) {}

std::optional<std::string> SysfsAttributes::read(const std::string& name) const {
    FileDescriptor fd(::open((directory_ / name).c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) return std::nullopt;
    std::string content;
    char buffer[256];
    for (;;) {
        ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) return std::nullopt;
        if (n == 0) return content;
        content.append(buffer, static_cast<size_t>(n));
    }
}

bool SysfsAttributes::write(const std::string& name, const std::string& text) {
    FileDescriptor fd(::open((directory_ / name).c_str(), O_WRONLY | O_CLOEXEC));
    if (fd.get() < 0) return false;
    return ::write(fd.get(), text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

bool SysfsAttributes::isWritable(const std::string& name) const {
    return ::access((directory_ / name).c_str(), W_OK) == 0;
}

}  // namespace platform::smc
