#include "sensor-service/discovery/TemperatureDiscovery.h"

#include "sensor-service/discovery/KeyPattern.h"

namespace vrl {

TemperatureDiscovery::TemperatureDiscovery(Smc& smc, const std::vector<std::string>& keys,
                                           const platform::foundation::Bundle& mainBundle, ModelData& modelData)
    : smc_(smc), listed_(keys), mainBundle_(mainBundle), modelData_(modelData) {}

// A candidate the SMC did not list costs no call; a listed one is read once,
// bypassing the key-info cache, which is left to the polling cycle.
bool TemperatureDiscovery::isPresent(const std::string& key) {
    if (!listed_.contains(key)) return false;
    SmcValue value{};
    return smc_.smcReadKeyUncached(key.c_str(), value) == 0;
}

void TemperatureDiscovery::insertSmcSensorsWithKeys(const PlatformProfile& profile) {
    for (const auto& [keyField, titleField] : profile) {
        if (keyField.empty() || keyField.front() != 'T') continue;
        if (KeyPattern::isPattern(keyField)) {
            insertPatternRow(keyField, titleField);
        } else if (isPresent(keyField)) {
            // Plain rows show their title as written, untranslated.
            modelData_.addNewItemToModelDataForKey(keyField, titleField, kSensorTypeTemperature, {}, {});
        }
    }
}

void TemperatureDiscovery::insertPatternRow(const std::string& keyField, const std::string& titleField) {
    const std::optional<KeyPattern> pattern = KeyPattern::parse(keyField);
    if (!pattern) return;
    for (unsigned i = 0; i < pattern->keyCount(); ++i) {
        const std::string key = pattern->keyAt(i);
        if (!isPresent(key)) continue;
        const std::string text = mainBundle_.localizedStringForKey(titleField, "", "");
        modelData_.addNewItemToModelDataForKey(key, KeyPattern::fillTitle(text, pattern->titleNumberAt(i)),
                                               kSensorTypeTemperature, {}, {});
    }
}

}  // namespace vrl
