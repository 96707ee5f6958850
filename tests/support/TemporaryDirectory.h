#pragma once
// A scratch directory for one test, fixture or benchmark: made new and empty
// under the system's temporary directory, removed with everything in it when
// the object goes.
#include <filesystem>
#include <string_view>

namespace vrl::test {

class TemporaryDirectory {
public:
    // Named `prefix-XXXXXX`, mode 0700 plus `alsoAllowed` (peers running as
    // another user need read and search access to their bundles and sockets).
    // Throws std::system_error when it cannot be made.
    explicit TemporaryDirectory(std::string_view prefix,
                                std::filesystem::perms alsoAllowed = std::filesystem::perms::none);
    ~TemporaryDirectory();
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path& relative) const { return path_ / relative; }

private:
    std::filesystem::path path_;
};

// Read and search access for every user.
inline constexpr std::filesystem::perms kReachableByEveryone =
    std::filesystem::perms::group_read | std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
    std::filesystem::perms::others_exec;

}  // namespace vrl::test
