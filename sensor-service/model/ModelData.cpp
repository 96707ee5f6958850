// Sensor entries of the model data and the cleaning of their titles.
#include "sensor-service/model/ModelData.h"

#include <algorithm>

namespace vrl {

namespace {

// Letters compare without regard to case, as toupper has it in the C locale
// the service runs in: only ASCII letters have another case.
char asciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool sameIgnoringCase(char a, char b) { return asciiUpper(a) == asciiUpper(b); }

bool containsIgnoringCase(std::string_view text, std::string_view part) {
    return std::search(text.begin(), text.end(), part.begin(), part.end(), sameIgnoringCase) != text.end();
}

}  // namespace

void ModelData::addNewItemToModelDataForKey(const std::string& key, const std::string& title, int32_t type,
                                            NumberObject min, NumberObject max) {
    SensorEntry entry;
    entry.title = clearTitle(title);
    entry.value = 0.0;
    if (type == kSensorTypeFan) {
        entry.unit = kUnitRpm;
        entry.type = kTypeFans;
        entry.minvalue = min;
        entry.maxvalue = max;
        entry.hasLimits = true;
    } else if (type == kSensorTypeTemperature) {
        entry.unit = kUnitCelsius;
        entry.type = kTypeTemperature;
    }
    (*this)[key] = std::move(entry);
}

std::string ModelData::clearTitle(const std::string& title) {
    for (const std::string_view name : kFanSideNames) {
        if (containsIgnoringCase(title, name)) return std::string(name);
    }
    return title;
}

}  // namespace vrl
