#include "tests/support/TemporaryDirectory.h"

#include <stdlib.h>

#include <cerrno>
#include <string>
#include <system_error>

namespace vrl::test {

TemporaryDirectory::TemporaryDirectory(std::string_view prefix, std::filesystem::perms alsoAllowed) {
    std::string pattern = (std::filesystem::temp_directory_path() / prefix).string() + "-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::system_error(errno, std::generic_category(), "mkdtemp " + pattern);
    path_ = pattern;
    if (alsoAllowed != std::filesystem::perms::none)
        std::filesystem::permissions(path_, alsoAllowed, std::filesystem::perm_options::add);
}

TemporaryDirectory::~TemporaryDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace vrl::test
