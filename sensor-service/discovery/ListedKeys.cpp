#include "sensor-service/discovery/ListedKeys.h"

#include <algorithm>

#include "platform/smc/FourCharCode.h"

namespace vrl {

namespace {

constexpr std::size_t kKeyLength = 4;

}  // namespace

ListedKeys::ListedKeys(const std::vector<std::string>& keys) {
    codes_.reserve(keys.size());
    for (const std::string& key : keys) {
        if (key.size() == kKeyLength) codes_.push_back(platform::smc::fourCharCode(key));
        else others_.push_back(key);
    }
    // An SMC lists its keys in ascending order, so this is usually one pass.
    if (!std::is_sorted(codes_.begin(), codes_.end())) std::sort(codes_.begin(), codes_.end());
}

bool ListedKeys::contains(std::string_view key) const {
    if (key.size() != kKeyLength) return std::find(others_.begin(), others_.end(), key) != others_.end();
    return std::binary_search(codes_.begin(), codes_.end(), platform::smc::fourCharCode(key));
}

}  // namespace vrl
