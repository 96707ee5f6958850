#pragma once
// Temperature sensor discovery: the platform profile's keys that this SMC
// lists and can read, each a temperature entry.
#include <string>
#include <vector>

#include "platform/foundation/Bundle.h"
#include "sensor-service/discovery/ListedKeys.h"
#include "sensor-service/model/ModelData.h"
#include "sensor-service/profiles/PlatformProfile.h"
#include "sensor-service/smc/Smc.h"

namespace vrl {

// Reads through smc, which must be open; runs on the thread that owns smc
// and modelData. An unreadable or unlisted candidate is left out silently.
class TemperatureDiscovery {
public:
    // keys: every key the SMC listed; mainBundle: the strings table that
    // translates the titles of pattern rows. All must outlive the object.
    TemperatureDiscovery(Smc& smc, const std::vector<std::string>& keys, const platform::foundation::Bundle& mainBundle,
                         ModelData& modelData);

    // Walks the profile in order; a later row's entry replaces an earlier one
    // under the same key.
    void insertSmcSensorsWithKeys(const PlatformProfile& profile);

private:
    bool isPresent(const std::string& key);
    void insertPatternRow(const std::string& keyField, const std::string& titleField);

    Smc& smc_;
    ListedKeys listed_;
    const platform::foundation::Bundle& mainBundle_;
    ModelData& modelData_;
};

}  // namespace vrl
