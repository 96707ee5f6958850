// Fan discovery: a general pass from the identifier keys, and a second pass
// from the minimum-speed keys for Macs whose identifiers name no usable fan.
#include <algorithm>
#include <cctype>
#include <charconv>

#include "sensor-service/discovery/FanTitle.h"
#include "sensor-service/discovery/ListedKeys.h"
#include "sensor-service/server/VRLServerObject.h"
#include "sensor-service/smc/KeyAccess.h"
#include "sensor-service/smc/Smc.h"
#include "sensor-service/smc/SmcHelper.h"

namespace vrl {

namespace {

// Index 15 is never tried.
constexpr unsigned kFanCount = 15;
constexpr int64_t kUnreadableLimit = -1;

std::string fanKey(unsigned index, const char* suffix) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return std::string("F") + kDigits[index] + suffix;
}

NumberObject numericLimit(const std::string& key) {
    const NumberObject number = SmcHelper::readNumericKey(key);
    return isNil(number) ? NumberObject{kUnreadableLimit} : number;
}

// The leading whole number of the display text; 0 when there is none.
NumberObject textLimit(const std::string& key) {
    const std::optional<std::string> text = valueForKey(key);
    int64_t number = 0;
    if (!text) return number;
    const char* begin = text->data();
    const char* end = begin + text->size();
    while (begin != end && std::isspace(static_cast<unsigned char>(*begin))) ++begin;
    if (begin != end && *begin == '+') ++begin;
    std::from_chars(begin, end, number);
    return number;
}

}  // namespace

void VRLServerObject::insertSmcFansWithConnection(uint32_t connection, const std::vector<std::string>& keys) {
    const ListedKeys listed(keys);
    bool added = false;
    for (unsigned index = 0; index < kFanCount; ++index) {
        const std::string identifierKey = fanKey(index, "ID");
        if (!listed.contains(identifierKey)) continue;
        const NumberObject min = numericLimit(fanKey(index, "Mn"));
        const NumberObject max = numericLimit(fanKey(index, "Mx"));
        SmcValue identifier{};
        if (smcReadKeyUncached(identifierKey.c_str(), identifier) != 0) continue;
        const std::optional<std::string> title = FanTitle::fromIdentifier(identifier, index);
        if (!title) continue;
        const std::string speedKey = fanKey(index, "Ac");
        SmcValue speed{};
        if (smcReadKeyUncached(speedKey.c_str(), speed) != 0) continue;
        addNewItemToModelDataForKey(speedKey, *title, kSensorTypeFan, min, max);
        added = true;
    }
    if (!added) insertSmcFansWithConnection2018Pro(connection, keys);
}

void VRLServerObject::insertSmcFansWithConnection2018Pro(uint32_t /*connection*/,
                                                         const std::vector<std::string>& keys) {
    const ListedKeys listed(keys);
    for (unsigned index = 0; index < kFanCount; ++index) {
        const std::string minKey = fanKey(index, "Mn");
        if (!listed.contains(minKey)) continue;
        const NumberObject min = textLimit(minKey);
        const NumberObject max = textLimit(fanKey(index, "Mx"));
        // The speed key is not read first: these Macs may not list it yet.
        addNewItemToModelDataForKey(fanKey(index, "Ac"), decodeFanID(fanKey(index, "ID")), kSensorTypeFan,
                                    min, max);
    }
}

std::string VRLServerObject::decodeFanID(const std::string& text) const {
    if (text.find('0') != std::string::npos) return "Left Side";
    if (text.find('1') != std::string::npos) return "Right Side";
    return text;
}

}  // namespace vrl
