#include "platform/smc/SysfsAttributes.h"

#include <unistd.h>

#include <fstream>
#include <iterator>

namespace platform::smc {

SysfsAttributes::SysfsAttributes(std::filesystem::path directory) : directory_(std::move(directory)) {}

std::optional<std::string> SysfsAttributes::read(const std::string& name) const {
    std::ifstream in(directory_ / name, std::ios::binary);
    if (!in) return std::nullopt;
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return content;
}

bool SysfsAttributes::write(const std::string& name, const std::string& text) {
    // The kernel applies a store when the buffer is flushed: a refused value
    // shows as a failed flush or close.
    std::ofstream out(directory_ / name, std::ios::binary | std::ios::in);
    if (!out) return false;
    out << text;
    out.close();
    return !out.fail();
}

bool SysfsAttributes::isWritable(const std::string& name) const {
    return ::access((directory_ / name).c_str(), W_OK) == 0;
}

}  // namespace platform::smc
