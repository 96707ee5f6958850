#pragma once
// The attribute files of a sysfs device directory. Each read opens the file
// afresh, as the kernel produces an attribute's content at open.
#include <filesystem>
#include <optional>
#include <string>

namespace platform::smc {

class SysfsAttributes {
public:
    explicit SysfsAttributes(std::filesystem::path directory);
    virtual ~SysfsAttributes() = default;

    virtual std::optional<std::string> read(const std::string& name) const;
    virtual bool write(const std::string& name, const std::string& text);
    bool isWritable(const std::string& name) const;

protected:
    const std::filesystem::path& directory() const { return directory_; }

private:
    std::filesystem::path directory_;
};

}  // namespace platform::smc
