#pragma once
// The applesmc attributes as files of a sysfs device directory, each opened
// once at the first successful open() and kept until close() or destruction.
#include <array>
#include <filesystem>
#include <optional>

#include "platform/smc/AppleSmcAttributes.h"

namespace platform::smc {

class AppleSmcAttributeFiles : public AppleSmcAttributes {
public:
    explicit AppleSmcAttributeFiles(std::filesystem::path directory);

    Result<> open() override;
    void close() override;
    Result<size_t> read(AppleSmcAttribute which, std::span<char> buffer) override;
    Result<> write(AppleSmcAttribute which, std::string_view text) override;

private:
    static constexpr size_t kAttributeCount = 6;

    Error notOpen(AppleSmcAttribute which) const;

    std::filesystem::path directory_;
    std::array<std::optional<AttributeFile>, kAttributeCount> files_;
};

}  // namespace platform::smc
