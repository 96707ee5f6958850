// The model identifier as Linux reports it on a Mac: the DMI product name.
#include "platform/foundation/SmallFile.h"
#include "platform/registry/PlatformNameSource.h"

namespace platform::registry {
namespace {

// A sysfs attribute is at most one page.
constexpr std::size_t kMaxAttributeBytes = 4096;

}  // namespace

DmiPlatformName::DmiPlatformName(std::filesystem::path file) : file_(std::move(file)) {}

std::optional<std::string> DmiPlatformName::modelIdentifier() const {
    auto read = foundation::readSmallFile(file_, kMaxAttributeBytes);
    if (!read) return std::nullopt;
    return std::move(read->bytes);
}

}  // namespace platform::registry
