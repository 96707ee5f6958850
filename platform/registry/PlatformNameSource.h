#pragma once
// Where the Mac's model identifier comes from (the I/O registry's "model" on a
// Mac): the DMI product name on Linux, or the model a simulated SMC reports.
// The raw text is returned as delivered; cleaning is the caller's business.
#include <filesystem>
#include <optional>
#include <string>

namespace platform::registry {

class PlatformNameSource {
public:
    virtual ~PlatformNameSource() = default;
    // Any thread; none when the source has no name. Never throws.
    virtual std::optional<std::string> modelIdentifier() const = 0;
};

// /sys/class/dmi/id/product_name by default; missing, unreadable, no regular
// file or larger than a page gives none.
class DmiPlatformName final : public PlatformNameSource {
public:
    explicit DmiPlatformName(std::filesystem::path file = "/sys/class/dmi/id/product_name");
    std::optional<std::string> modelIdentifier() const override;

private:
    std::filesystem::path file_;
};

class FixedPlatformName final : public PlatformNameSource {
public:
    explicit FixedPlatformName(std::optional<std::string> name) : name_(std::move(name)) {}
    std::optional<std::string> modelIdentifier() const override { return name_; }

private:
    std::optional<std::string> name_;
};

}  // namespace platform::registry
