#pragma once
// The heart of the sensor service: discovery, the model data and its polling.
// Its methods are defined beside the layer they belong to: model/ (entries),
// profiles/ (assignProfile), discovery/ (fans and temperature sensors) and
// server/ (creation, the timer and the refresh).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <asio/io_context.hpp>
#include <asio/steady_timer.hpp>

#include "platform/foundation/Bundle.h"
#include "platform/registry/PlatformNameSource.h"
#include "sensor-service/model/ModelData.h"
#include "sensor-service/profiles/VRLServerProfiles.h"

namespace vrl {

class VRLServerObject {
public:
    struct Environment {
        asio::io_context& io;
        const platform::registry::PlatformNameSource& platformName;
        const platform::foundation::Bundle& mainBundle;  // strings table of pattern titles
        // Called on the owning thread at the end of every refresh.
        std::function<void(const ModelData&)> refreshed;
    };

    // init: sets the fan side names, an empty model data, and runs discovery,
    // the first refresh and the start of the timer.
    explicit VRLServerObject(Environment env);
    ~VRLServerObject();
    VRLServerObject(const VRLServerObject&) = delete;
    VRLServerObject& operator=(const VRLServerObject&) = delete;

    // server/
    void detectSensors();
    void startTimer();
    void endTimer();
    void updateModuleFromTimer();
    double getTempValueForKey(const std::string& key);
    double getFanValueForKey(const std::string& key);
    bool isTimerRunning() const { return vrlTimer != nullptr; }
    float timerInterval() const { return _timerInterval; }

    // profiles/
    void assignProfile();
    const std::vector<std::pair<std::string, std::string>>& platformProfile() const {
        return _platformProfile;
    }

    // discovery/
    void insertSmcFansWithConnection(uint32_t connection, const std::vector<std::string>& keys);
    void insertSmcFansWithConnection2018Pro(uint32_t connection, const std::vector<std::string>& keys);
    std::string decodeFanID(const std::string& text) const;
    void insertSmcSensorsWithKeys(const std::vector<std::string>& keys, uint32_t connection);

    // model/
    const ModelData& modelData() const { return _modelData; }
    void setModelData(ModelData data) { _modelData = std::move(data); }
    void addNewItemToModelDataForKey(const std::string& key, const std::string& title, int32_t type,
                                     NumberObject min, NumberObject max);
    std::string clearTitle(const std::string& title) const;

private:
    void scheduleNextRefresh();

    Environment env_;
    std::unique_ptr<asio::steady_timer> vrlTimer;
    float _timerInterval = 0.0f;
    uint32_t _smcConnection = 0;
    std::vector<std::pair<std::string, std::string>> _platformProfile;
    std::unique_ptr<VRLServerProfiles> profiles;
    std::vector<std::string> fansName;
    ModelData _modelData;
};

}  // namespace vrl
