#include "sensor-service/discovery/ListedKeys.h"

#include <algorithm>

namespace vrl {

namespace {

constexpr std::size_t kKeyLength = 4;

uint32_t codeOf(std::string_view key) {
    uint32_t code = 0;
    for (char c : key) code = (code << 8) | static_cast<uint8_t>(c);
    return code;
}

}  // namespace

ListedKeys::ListedKeys(const std::vector<std::string>& keys) {
    codes_.reserve(keys.size());
    for (const std::string& key : keys) {
        if (key.size() == kKeyLength) codes_.push_back(codeOf(key));
        else others_.push_back(key);
    }
    // An SMC lists its keys in ascending order, so this is usually one pass.
    if (!std::is_sorted(codes_.begin(), codes_.end())) std::sort(codes_.begin(), codes_.end());
}

bool ListedKeys::contains(std::string_view key) const {
    if (key.size() != kKeyLength) return std::find(others_.begin(), others_.end(), key) != others_.end();
    return std::binary_search(codes_.begin(), codes_.end(), codeOf(key));
}

}  // namespace vrl
