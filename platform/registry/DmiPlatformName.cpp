// The model identifier as Linux reports it on a Mac: the DMI product name.
#include <exception>
#include <fstream>
#include <iterator>

#include "platform/registry/PlatformNameSource.h"

namespace platform::registry {

DmiPlatformName::DmiPlatformName(std::filesystem::path file) : file_(std::move(file)) {}

std::optional<std::string> DmiPlatformName::modelIdentifier() const {
    std::ifstream in(file_, std::ios::binary);
    if (!in) return std::nullopt;
    try {
        // A path that opens but can't be read (a directory) throws from the buffer.
        std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        if (in.bad()) return std::nullopt;
        return text;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

}  // namespace platform::registry
