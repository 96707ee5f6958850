// Creation, discovery order, the refresh timer and the value reads.
#include "sensor-service/server/VRLServerObject.h"

#include <chrono>
#include <string_view>

#include "sensor-service/smc/KeyAccess.h"
#include "sensor-service/smc/LeadingNumber.h"
#include "sensor-service/smc/Smc.h"

namespace vrl {

namespace {
constexpr float kDefaultTimerInterval = 5.0f;
}

VRLServerObject::VRLServerObject(Environment env) : env_(env) {
    fansName = {"Right Side", "Left Side"};
    _modelData = {};
    detectSensors();
}

VRLServerObject::~VRLServerObject() { endTimer(); }

void VRLServerObject::detectSensors() {
    assignProfile();
    smcOpen();
    const std::vector<std::string> keys = getSmcKeysFromConnection(_smcConnection);
    if (keys.empty()) smcClose();
    insertSmcFansWithConnection(_smcConnection, keys);
    insertSmcSensorsWithKeys(keys, _smcConnection);
    smcClose();
    startTimer();
}

void VRLServerObject::startTimer() {
    if (vrlTimer) return;
    if (!(_timerInterval > 0.0f)) _timerInterval = kDefaultTimerInterval;
    updateModuleFromTimer();
    vrlTimer = std::make_unique<asio::steady_timer>(env_.io);
    scheduleNextRefresh();
}

void VRLServerObject::endTimer() {
    if (!vrlTimer) return;
    vrlTimer->cancel();
    vrlTimer.reset();
}

void VRLServerObject::scheduleNextRefresh() {
    const auto period = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(static_cast<double>(_timerInterval)));
    asio::steady_timer* timer = vrlTimer.get();
    timer->expires_after(period);
    timer->async_wait([this, timer](std::error_code ec) {
        // A timer that endTimer replaced or cancelled must not refresh again.
        if (ec || vrlTimer.get() != timer) return;
        updateModuleFromTimer();
        scheduleNextRefresh();
    });
}

void VRLServerObject::updateModuleFromTimer() {
    smcOpen();
    for (auto& [key, entry] : _modelData) {
        // Views of the constants compare by length first, without a strlen.
        const std::string_view type = entry.type;
        if (type == std::string_view(kTypeTemperature)) {
            entry.value = getTempValueForKey(key);
        } else if (type == std::string_view(kTypeFans)) {
            entry.value = getFanValueForKey(key);
        }
    }
    smcClose();
    if (env_.refreshed) env_.refreshed(_modelData);
}

double VRLServerObject::getTempValueForKey(const std::string& key) { return smcGetTemperature(key.c_str()); }

double VRLServerObject::getFanValueForKey(const std::string& key) {
    const std::optional<std::string> text = valueForKey(key);
    return text ? leadingNumber(*text) : 0.0;
}

}  // namespace vrl
