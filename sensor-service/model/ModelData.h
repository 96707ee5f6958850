#pragma once
// The model data: everything the service knows and hands to its client.
#include <map>
#include <string>

#include "sensor-service/smc/NumberObject.h"

namespace vrl {

inline constexpr int kSensorTypeFan = 1;
inline constexpr int kSensorTypeTemperature = 2;

// Entry keys and their fixed strings, as the client reads them on the wire.
inline constexpr const char* kEntryTitle = "title";
inline constexpr const char* kEntryValue = "value";
inline constexpr const char* kEntryUnit = "unit";
inline constexpr const char* kEntryType = "type";
inline constexpr const char* kEntryMinValue = "minvalue";
inline constexpr const char* kEntryMaxValue = "maxvalue";
inline constexpr const char* kUnitRpm = "rpm";
inline constexpr const char* kUnitCelsius = "celcius";  // sic: the client expects this spelling
inline constexpr const char* kTypeFans = "fans";
inline constexpr const char* kTypeTemperature = "temperature";

struct SensorEntry {
    std::string title;
    double value = 0.0;
    std::string unit;
    std::string type;
    // Present only on fan entries; kept in the kind discovery produced.
    NumberObject minvalue;
    NumberObject maxvalue;
    bool hasLimits = false;

    bool operator==(const SensorEntry&) const = default;
};

// Keyed by SMC key name. The order carries no meaning; a sorted map keeps
// replies and printouts stable.
using ModelData = std::map<std::string, SensorEntry>;

}  // namespace vrl
