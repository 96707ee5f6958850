#pragma once
// The model data: everything the service knows and hands to its client, one
// sensor entry per SMC key name.
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "platform/ipc/ModelDataSchema.h"
#include "sensor-service/smc/NumberObject.h"

namespace vrl {

inline constexpr int kSensorTypeFan = 1;
inline constexpr int kSensorTypeTemperature = 2;

using platform::ipc::kEntryMaxValue;
using platform::ipc::kEntryMinValue;
using platform::ipc::kEntryTitle;
using platform::ipc::kEntryType;
using platform::ipc::kEntryUnit;
using platform::ipc::kEntryValue;
using platform::ipc::kTypeFans;
using platform::ipc::kTypeTemperature;
using platform::ipc::kUnitCelsius;
using platform::ipc::kUnitRpm;

// The canonical fan side names, in the order titles are tested against them.
inline constexpr std::array<std::string_view, 2> kFanSideNames = {"Right Side", "Left Side"};

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

// A dictionary keyed by SMC key name, with the two operations that make its
// entries. The order carries no meaning; a sorted map keeps replies and
// printouts stable. Not thread-safe: one thread writes and reads it (the
// owner of the server object); others get copies or encodings made there.
class ModelData : private std::map<std::string, SensorEntry> {
    using Entries = std::map<std::string, SensorEntry>;

public:
    using Entries::const_iterator;
    using Entries::iterator;
    using Entries::value_type;

    using Entries::at;
    using Entries::begin;
    using Entries::count;
    using Entries::empty;
    using Entries::end;
    using Entries::find;
    using Entries::size;
    using Entries::operator[];

    // Stores a new entry under key, replacing any earlier one: the cleaned
    // title, value 0, and by type 1 (fan: "rpm", "fans", the limits) or 2
    // (temperature: "celcius", "temperature"); any other type gets empty unit
    // and type and no limits.
    void addNewItemToModelDataForKey(const std::string& key, const std::string& title, int32_t type,
                                     NumberObject min, NumberObject max);

    // The first fan side name that title contains, ignoring ASCII case, else
    // title unchanged. Pure; any thread.
    static std::string clearTitle(const std::string& title);
};

}  // namespace vrl
