// Sensor entries of the model data and the cleaning of their titles.
#include <algorithm>

#include "sensor-service/server/VRLServerObject.h"

namespace vrl {

namespace {

// Letters compare without regard to case, as toupper has it in the C locale
// the service runs in: only ASCII letters have another case.
char asciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool sameIgnoringCase(char a, char b) { return asciiUpper(a) == asciiUpper(b); }

bool containsIgnoringCase(const std::string& text, const std::string& part) {
    return std::search(text.begin(), text.end(), part.begin(), part.end(), sameIgnoringCase) != text.end();
}

}  // namespace

void VRLServerObject::addNewItemToModelDataForKey(const std::string& key, const std::string& title,
                                                  int32_t type, NumberObject min, NumberObject max) {
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
    _modelData[key] = std::move(entry);
}

std::string VRLServerObject::clearTitle(const std::string& title) const {
    for (const std::string& name : fansName) {
        if (containsIgnoringCase(title, name)) return name;
    }
    return title;
}

}  // namespace vrl
