#pragma once
// One sysfs attribute file, opened once and then read or written in place at
// offset 0. sysfs produces an attribute's content afresh at every read from
// offset 0 and applies a write as one store, so a single descriptor serves
// every access for the life of the object, one system call each.
#include <cstddef>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>

namespace platform::smc {

// The outcome of one read: the bytes produced, or the errno of the failure
// (then bytes is 0).
struct AttributeRead {
    size_t bytes = 0;
    int error = 0;
    bool ok() const { return error == 0; }
};

class AttributeFile {
public:
    enum class Access { readOnly, readWrite };

    // Opens the file close-on-exec. nullopt on failure, with its errno in
    // `error`. Any thread.
    static std::optional<AttributeFile> open(const std::filesystem::path& path, Access access, int& error) noexcept;

    AttributeFile(AttributeFile&& other) noexcept;
    AttributeFile& operator=(AttributeFile&& other) noexcept;
    AttributeFile(const AttributeFile&) = delete;
    AttributeFile& operator=(const AttributeFile&) = delete;
    ~AttributeFile();

    // One pread at offset 0 into `buffer`; content longer than the buffer is
    // cut. Never throws. Any thread: each access is one system call, whole,
    // but which of two concurrent ones the file sees first is not kept.
    AttributeRead read(std::span<char> buffer) const noexcept;
    // One pwrite of `text` at offset 0: 0, or the errno the store refused
    // with (EINVAL for a value the attribute does not take). A short write
    // counts as EIO.
    int write(std::string_view text) const noexcept;

private:
    explicit AttributeFile(int descriptor) : descriptor_(descriptor) {}

    int descriptor_ = -1;
};

}  // namespace platform::smc
