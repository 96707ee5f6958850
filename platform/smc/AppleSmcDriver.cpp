#include "platform/smc/AppleSmcDriver.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "platform/smc/FourCharCode.h"
#include "platform/smc/SmcStatusCodes.h"

namespace platform::smc {
namespace {

// The driver ends its text attributes with a newline; type names keep their
// trailing blank ("ui8 "), so only the line end is removed.
std::string withoutLineEnd(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\0')) text.pop_back();
    return text;
}

}  // namespace

AppleSmcDriver::AppleSmcDriver(std::filesystem::path directory)
    : attributes_(std::make_shared<SysfsAttributes>(std::move(directory))) {}

AppleSmcDriver::AppleSmcDriver(std::shared_ptr<SysfsAttributes> attributes) : attributes_(std::move(attributes)) {}

std::optional<uint32_t> AppleSmcDriver::readNumberAttribute(const char* name) const {
    auto text = attributes_->read(name);
    if (!text) return std::nullopt;
    std::string line = withoutLineEnd(*text);
    uint32_t value = 0;
    auto [end, ec] = std::from_chars(line.data(), line.data() + line.size(), value);
    if (ec != std::errc() || end != line.data() + line.size()) return std::nullopt;
    return value;
}

bool AppleSmcDriver::select(uint32_t index) const {
    return attributes_->write("key_at_index", std::to_string(index));
}

std::optional<std::string> AppleSmcDriver::selectedLine(const char* name) const {
    auto text = attributes_->read(name);
    if (!text) return std::nullopt;
    return withoutLineEnd(*text);
}

SmcStatus AppleSmcDriver::buildKeyTable() {
    indexByKeyCode_.clear();
    auto count = readNumberAttribute("key_count");
    if (!count) return kSmcNoDevice;
    keyCount_ = *count;
    for (uint32_t index = 0; index < keyCount_; ++index) {
        if (!select(index)) return kSmcNoDevice;
        auto name = selectedLine("key_at_index_name");
        if (name && name->size() == 4) indexByKeyCode_.emplace(fourCharCode(*name), index);
    }
    return kSmcSuccess;
}

SmcStatus AppleSmcDriver::open(uint32_t& handle) {
    std::lock_guard lock(mutex_);
    if (!attributes_->isWritable("key_at_index")) return kSmcNoDevice;
    if (SmcStatus status = buildKeyTable(); status != kSmcSuccess) return status;
    openHandle_ = nextHandle_++;
    handle = openHandle_;
    return kSmcSuccess;
}

SmcStatus AppleSmcDriver::close(uint32_t handle) {
    std::lock_guard lock(mutex_);
    if (handle == 0 || handle != openHandle_) return kSmcNotOpen;
    openHandle_ = 0;
    return kSmcSuccess;
}

std::optional<uint32_t> AppleSmcDriver::indexOf(uint32_t keyCode) const {
    auto it = indexByKeyCode_.find(keyCode);
    if (it == indexByKeyCode_.end()) return std::nullopt;
    return it->second;
}

SmcStatus AppleSmcDriver::answerKeyAtIndex(const SmcKeyData& input, SmcKeyData& output) const {
    if (input.index >= keyCount_ || !select(input.index)) return kSmcNotFound;
    auto name = selectedLine("key_at_index_name");
    if (!name || name->size() != 4) return kSmcError;
    output.key = fourCharCode(*name);
    return kSmcSuccess;
}

SmcStatus AppleSmcDriver::answerKeyInfo(const SmcKeyData& input, SmcKeyData& output) const {
    auto index = indexOf(input.key);
    if (!index || !select(*index)) return kSmcNotFound;
    auto type = selectedLine("key_at_index_type");
    auto length = readNumberAttribute("key_at_index_data_length");
    if (!type || type->empty() || type->size() > 4 || !length) return kSmcError;
    output.key = input.key;
    output.dataType = fourCharCode(*type);
    output.dataSize = *length;
    return kSmcSuccess;
}

SmcStatus AppleSmcDriver::answerReadBytes(const SmcKeyData& input, SmcKeyData& output) const {
    auto index = indexOf(input.key);
    if (!index || !select(*index)) return kSmcNotFound;
    auto data = attributes_->read("key_at_index_data");
    if (!data) return kSmcError;
    output.key = input.key;
    std::memcpy(output.bytes, data->data(), std::min(data->size(), sizeof output.bytes));
    return kSmcSuccess;
}

SmcStatus AppleSmcDriver::callStructMethod(uint32_t handle, uint32_t selector, const SmcKeyData& input,
                                           SmcKeyData& output) {
    std::lock_guard lock(mutex_);
    if (handle == 0 || handle != openHandle_) return kSmcNotOpen;
    if (selector != kSmcSelector) return kSmcBadArgument;
    std::memset(&output, 0, sizeof output);
    switch (input.command) {
        case kSmcCmdReadIndex: return answerKeyAtIndex(input, output);
        case kSmcCmdReadKeyInfo: return answerKeyInfo(input, output);
        case kSmcCmdReadBytes: return answerReadBytes(input, output);
        default: return kSmcBadArgument;
    }
}

}  // namespace platform::smc
