#pragma once
// One sysfs attribute file, opened once and then read or written in place at
// offset 0. sysfs produces an attribute's content afresh at every read from
// offset 0 and applies a write as one store, so a single descriptor serves
// every access for the life of the object, one system call each.
#include <cstddef>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "platform/foundation/Result.h"

namespace platform::smc {

class AttributeFile {
public:
    enum class Access { readOnly, readWrite };

    // Opens the file close-on-exec; a failure names the path and carries the
    // errno. Any thread.
    static Result<AttributeFile> open(const std::filesystem::path& path, Access access);

    AttributeFile(AttributeFile&& other) noexcept;
    AttributeFile& operator=(AttributeFile&& other) noexcept;
    AttributeFile(const AttributeFile&) = delete;
    AttributeFile& operator=(const AttributeFile&) = delete;
    ~AttributeFile();

    // One pread at offset 0 into `buffer`: the bytes produced; content longer
    // than the buffer is cut. Any thread: each access is one system call,
    // whole, but which of two concurrent ones the file sees first is not kept.
    Result<size_t> read(std::span<char> buffer) const;
    // One pwrite of `text` at offset 0; a failure carries the errno the store
    // refused with (EINVAL for a value the attribute does not take). A short
    // write counts as EIO.
    Result<> write(std::string_view text) const;

private:
    AttributeFile(int descriptor, std::string path) : descriptor_(descriptor), path_(std::move(path)) {}

    int descriptor_ = -1;
    std::string path_;  // for the messages
};

}  // namespace platform::smc
