#pragma once
// The SMC of an Intel Mac running Linux, through the kernel's applesmc driver
// and its sysfs attributes: key_count, key_at_index (write an index to select
// a key) and key_at_index_name/_type/_data_length/_data for the selected key.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

#include "platform/smc/SmcDriver.h"
#include "platform/smc/SysfsAttributes.h"

namespace platform::smc {

class AppleSmcDriver : public SmcDriver {
public:
    explicit AppleSmcDriver(std::filesystem::path directory = "/sys/devices/platform/applesmc.768");
    explicit AppleSmcDriver(std::shared_ptr<SysfsAttributes> attributes);

    SmcStatus open(uint32_t& handle) override;
    SmcStatus close(uint32_t handle) override;
    SmcStatus callStructMethod(uint32_t handle, uint32_t selector, const SmcKeyData& input,
                               SmcKeyData& output) override;

private:
    SmcStatus buildKeyTable();
    bool select(uint32_t index) const;
    std::optional<uint32_t> readNumberAttribute(const char* name) const;
    std::optional<std::string> selectedLine(const char* name) const;
    SmcStatus answerKeyAtIndex(const SmcKeyData& input, SmcKeyData& output) const;
    SmcStatus answerKeyInfo(const SmcKeyData& input, SmcKeyData& output) const;
    SmcStatus answerReadBytes(const SmcKeyData& input, SmcKeyData& output) const;
    std::optional<uint32_t> indexOf(uint32_t keyCode) const;

    std::shared_ptr<SysfsAttributes> attributes_;
    mutable std::mutex mutex_;  // selecting a key and reading it must not interleave
    std::unordered_map<uint32_t, uint32_t> indexByKeyCode_;
    uint32_t keyCount_ = 0;
    uint32_t openHandle_ = 0;
    uint32_t nextHandle_ = 1;
};

}  // namespace platform::smc
