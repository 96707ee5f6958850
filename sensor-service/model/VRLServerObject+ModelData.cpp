// Sensor entries of the model data and the cleaning of their titles.
#include <algorithm>
#include <cctype>

#include "sensor-service/server/VRLServerObject.h"

namespace vrl {

namespace {

std::string upperCased(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
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
    const std::string upperTitle = upperCased(title);
    for (const std::string& name : fansName) {
        if (upperTitle.find(upperCased(name)) != std::string::npos) return name;
    }
    return title;
}

}  // namespace vrl
