#pragma once
// A file descriptor closed when its owner goes, on every return path.
namespace platform::foundation {

class OwnedDescriptor {
public:
    // Takes fd, which may be negative (nothing to close). Any thread.
    explicit OwnedDescriptor(int fd) : fd_(fd) {}
    ~OwnedDescriptor();
    OwnedDescriptor(const OwnedDescriptor&) = delete;
    OwnedDescriptor& operator=(const OwnedDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

}  // namespace platform::foundation
