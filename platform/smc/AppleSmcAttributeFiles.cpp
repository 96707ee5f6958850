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

int AppleSmcAttributeFiles::open() {
    if (files_.back()) return 0;
    for (size_t slot = 0; slot < kAttributeCount; ++slot) {
        // Selecting is the one store the driver makes; without it (not root)
        // no key can be read, so the device counts as unusable.
        const auto access = slot == slotOf(AppleSmcAttribute::keyAtIndex) ? AttributeFile::Access::readWrite
                                                                            : AttributeFile::Access::readOnly;
        int error = 0;
        files_[slot] = AttributeFile::open(directory_ / kFileNames[slot], access, error);
        if (!files_[slot]) {
            close();
            return error;
        }
    }
    return 0;
}

void AppleSmcAttributeFiles::close() { files_ = {}; }

AttributeRead AppleSmcAttributeFiles::read(AppleSmcAttribute which, std::span<char> buffer) {
    const auto& file = files_[slotOf(which)];
    if (!file) return {0, EBADF};
    return file->read(buffer);
}

int AppleSmcAttributeFiles::write(AppleSmcAttribute which, std::string_view text) {
    const auto& file = files_[slotOf(which)];
    if (!file) return EBADF;
    return file->write(text);
}

}  // namespace platform::smc
