#include "sensor-service/smc/KeyAccess.h"

#include <algorithm>

#include "sensor-service/smc/Smc.h"
#include "sensor-service/smc/SmcHelper.h"
#include "sensor-service/smc/ValueText.h"

namespace vrl {
namespace {

struct ToCount {
    uint32_t operator()(std::monostate) const { return 0; }
    uint32_t operator()(uint64_t n) const { return static_cast<uint32_t>(n); }
    uint32_t operator()(int64_t n) const { return static_cast<uint32_t>(n); }
    uint32_t operator()(float n) const { return fromReal(n); }
    uint32_t operator()(double n) const { return fromReal(n); }
    static uint32_t fromReal(double n) { return n >= 0 && n < 4294967296.0 ? static_cast<uint32_t>(n) : 0; }
};

uint32_t keyCount(Smc& smc) {
    SmcValue value{};
    smc.smcReadKeyCode("#KEY", value);
    uint64_t length = std::min<uint64_t>(value.dataSize, sizeof value.bytes);
    NumberObject count = SmcHelper::decodeNumericValueFromBuffer(value.bytes, length, value.dataType);
    return std::visit(ToCount{}, count);
}

}  // namespace

std::vector<std::string> getSmcKeysFromConnection(Smc& smc) {
    const uint32_t count = std::min(keyCount(smc), kMaxListedKeys);
    std::vector<std::string> keys;
    keys.reserve(count);
    SmcKeyData input{};
    SmcKeyData output{};
    input.command = platform::smc::kSmcCmdReadIndex;
    for (uint32_t index = 0; index < count; ++index) {
        // Only the index changes from one call to the next; a reply's key is
        // read only after a successful call has written it.
        input.index = index;
        if (smc.smcCall(platform::smc::kSmcSelector, input, output) != 0) continue;
        // Four characters from the most significant byte down, as "%c%c%c%c"
        // would write them: a zero byte stays in the name.
        std::string name(4, '\0');
        for (int i = 0; i < 4; ++i) name[i] = static_cast<char>((output.key >> (24 - 8 * i)) & 0xFF);
        keys.push_back(std::move(name));
    }
    return keys;
}

std::optional<std::string> valueForKey(Smc& smc, const std::string& key) {
    SmcValue value{};
    smc.smcReadKeyUncached(key.c_str(), value);
    std::optional<std::string> text;
    stringRepresentationOfVal(value, text);
    return text;
}

}  // namespace vrl
