#pragma once
// Fan discovery: a general pass from the identifier keys F0ID to FEID, and,
// when it finds no fan, a second pass from the minimum-speed keys for Macs
// whose identifiers name no usable fan. Each fan becomes a fan entry under
// its speed key.
#include <string>
#include <vector>

#include "sensor-service/discovery/ListedKeys.h"
#include "sensor-service/model/ModelData.h"
#include "sensor-service/smc/NumberObject.h"
#include "sensor-service/smc/Smc.h"

namespace vrl {

// Reads through smc, which must be open; runs on the thread that owns smc
// and modelData. Unreadable keys leave a fan out or give substitute limits;
// nothing is reported or thrown.
class FanDiscovery {
public:
    // keys: every key the SMC listed. smc and modelData must outlive the object.
    FanDiscovery(Smc& smc, const std::vector<std::string>& keys, ModelData& modelData);

    // The general pass, then the second pass if the first added no fan.
    void insertSmcFansWithConnection();
    // Adds a fan for every listed minimum-speed key, without reading its speed key.
    void insertSmcFansWithConnection2018Pro();
    // "Left Side" for a text holding '0', else "Right Side" for one holding
    // '1', else the text itself. Pure; any thread.
    static std::string decodeFanID(const std::string& text);

private:
    NumberObject numericLimit(const std::string& key);
    NumberObject textLimit(const std::string& key);

    Smc& smc_;
    ListedKeys listed_;
    ModelData& modelData_;
};

}  // namespace vrl
