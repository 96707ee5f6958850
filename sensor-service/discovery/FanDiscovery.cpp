#include "sensor-service/discovery/FanDiscovery.h"

#include <cctype>
#include <charconv>

#include "platform/foundation/HexDigits.h"
#include "sensor-service/discovery/FanTitle.h"
#include "sensor-service/smc/KeyAccess.h"
#include "sensor-service/smc/SmcHelper.h"

namespace vrl {

namespace {

// Index 15 is never tried.
constexpr unsigned kFanCount = 15;
constexpr int64_t kUnreadableLimit = -1;

std::string fanKey(unsigned index, const char* suffix) {
    return std::string("F") + platform::foundation::upperHexDigit(index) + suffix;
}

}  // namespace

FanDiscovery::FanDiscovery(Smc& smc, const std::vector<std::string>& keys, ModelData& modelData)
    : smc_(smc), listed_(keys), modelData_(modelData) {}

NumberObject FanDiscovery::numericLimit(const std::string& key) {
    const NumberObject number = SmcHelper::readNumericKey(smc_, key);
    return isNil(number) ? NumberObject{kUnreadableLimit} : number;
}

// The leading whole number of the display text; 0 when there is none.
NumberObject FanDiscovery::textLimit(const std::string& key) {
    const std::optional<std::string> text = valueForKey(smc_, key);
    int64_t number = 0;
    if (!text) return number;
    const char* begin = text->data();
    const char* end = begin + text->size();
    while (begin != end && std::isspace(static_cast<unsigned char>(*begin))) ++begin;
    if (begin != end && *begin == '+') ++begin;
    std::from_chars(begin, end, number);
    return number;
}

void FanDiscovery::insertSmcFansWithConnection() {
    bool added = false;
    for (unsigned index = 0; index < kFanCount; ++index) {
        const std::string identifierKey = fanKey(index, "ID");
        if (!listed_.contains(identifierKey)) continue;
        const NumberObject min = numericLimit(fanKey(index, "Mn"));
        const NumberObject max = numericLimit(fanKey(index, "Mx"));
        SmcValue identifier{};
        if (smc_.smcReadKeyUncached(identifierKey.c_str(), identifier) != 0) continue;
        const std::optional<std::string> title = FanTitle::fromIdentifier(identifier, index);
        if (!title) continue;
        const std::string speedKey = fanKey(index, "Ac");
        SmcValue speed{};
        if (smc_.smcReadKeyUncached(speedKey.c_str(), speed) != 0) continue;
        modelData_.addNewItemToModelDataForKey(speedKey, *title, kSensorTypeFan, min, max);
        added = true;
    }
    if (!added) insertSmcFansWithConnection2018Pro();
}

void FanDiscovery::insertSmcFansWithConnection2018Pro() {
    for (unsigned index = 0; index < kFanCount; ++index) {
        const std::string minKey = fanKey(index, "Mn");
        if (!listed_.contains(minKey)) continue;
        const NumberObject min = textLimit(minKey);
        const NumberObject max = textLimit(fanKey(index, "Mx"));
        // The speed key is not read first: these Macs may not list it yet.
        modelData_.addNewItemToModelDataForKey(fanKey(index, "Ac"), decodeFanID(fanKey(index, "ID")),
                                               kSensorTypeFan, min, max);
    }
}

std::string FanDiscovery::decodeFanID(const std::string& text) {
    if (text.find('0') != std::string::npos) return std::string(kFanSideNames[1]);
    if (text.find('1') != std::string::npos) return std::string(kFanSideNames[0]);
    return text;
}

}  // namespace vrl
