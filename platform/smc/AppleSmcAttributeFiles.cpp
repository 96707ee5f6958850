#include "platform/smc/AppleSmcAttributeFiles.h"

#include <cerrno>

namespace platform::smc {
namespace {

constexpr std::array<const char*, 6> kFileNames = {
    "key_count", "key_at_index", "key_at_index_name", "key_at_index_type", "key_at_index_data_length",
    "key_at_index_data",
};

size_t slotOf(AppleSmcAttribute which) { return static_cast<size_t>(which); }

}  // namespace

AppleSmcAttributeFiles::AppleSmcAttributeFiles(std::filesystem::path directory) : directory_(std::move(directory)) {}

Result<> AppleSmcAttributeFiles::open() {
    if (files_.back()) return {};
    for (size_t slot = 0; slot < kAttributeCount; ++slot) {
        // Selecting is the one store the driver makes; without it (not root)
        // no key can be read, so the device counts as unusable.
        const auto access = slot == slotOf(AppleSmcAttribute::keyAtIndex) ? AttributeFile::Access::readWrite
                                                                            : AttributeFile::Access::readOnly;
        Result<AttributeFile> file = AttributeFile::open(directory_ / kFileNames[slot], access);
        if (!file) {
            close();
            return tl::unexpected(file.error());
        }
        files_[slot] = std::move(*file);
    }
    return {};
}

void AppleSmcAttributeFiles::close() { files_ = {}; }

// What an access to a file that is not open fails with, as the system call would.
Error AppleSmcAttributeFiles::notOpen(AppleSmcAttribute which) const {
    return failErrno((directory_ / kFileNames[slotOf(which)]).string() + " is not open", EBADF).value();
}

Result<size_t> AppleSmcAttributeFiles::read(AppleSmcAttribute which, std::span<char> buffer) {
    const auto& file = files_[slotOf(which)];
    if (!file) return tl::unexpected(notOpen(which));
    return file->read(buffer);
}

Result<> AppleSmcAttributeFiles::write(AppleSmcAttribute which, std::string_view text) {
    const auto& file = files_[slotOf(which)];
    if (!file) return tl::unexpected(notOpen(which));
    return file->write(text);
}

}  // namespace platform::smc
