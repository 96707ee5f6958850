// Temperature sensor discovery: the platform profile's keys that this SMC has.
#include "sensor-service/discovery/KeyPattern.h"
#include "sensor-service/discovery/ListedKeys.h"
#include "sensor-service/server/VRLServerObject.h"
#include "sensor-service/smc/Smc.h"

namespace vrl {

namespace {

// A candidate the SMC did not list costs no call; a listed one is read once,
// bypassing the key-info cache, which is left to the polling cycle.
bool isPresent(const ListedKeys& listed, const std::string& key) {
    if (!listed.contains(key)) return false;
    SmcValue value{};
    return smcReadKeyUncached(key.c_str(), value) == 0;
}

}  // namespace

void VRLServerObject::insertSmcSensorsWithKeys(const std::vector<std::string>& keys, uint32_t /*connection*/) {
    const ListedKeys listed(keys);
    for (const auto& [keyField, titleField] : _platformProfile) {
        if (keyField.empty() || keyField.front() != 'T') continue;
        if (!KeyPattern::isPattern(keyField)) {
            // Plain rows show their title as written, untranslated.
            if (isPresent(listed, keyField)) {
                addNewItemToModelDataForKey(keyField, titleField, kSensorTypeTemperature, {}, {});
            }
            continue;
        }
        const std::optional<KeyPattern> pattern = KeyPattern::parse(keyField);
        if (!pattern) continue;
        for (unsigned i = 0; i < pattern->keyCount(); ++i) {
            const std::string key = pattern->keyAt(i);
            if (!isPresent(listed, key)) continue;
            const std::string text = env_.mainBundle.localizedStringForKey(titleField, "", "");
            addNewItemToModelDataForKey(key, KeyPattern::fillTitle(text, pattern->titleNumberAt(i)),
                                        kSensorTypeTemperature, {}, {});
        }
    }
}

}  // namespace vrl
