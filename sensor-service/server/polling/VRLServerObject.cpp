// Creation, discovery order, the refresh timer and the value reads.
#include "sensor-service/server/polling/VRLServerObject.h"

#include <algorithm>
#include <string_view>

#include "sensor-service/discovery/FanDiscovery.h"
#include "sensor-service/discovery/TemperatureDiscovery.h"
#include "sensor-service/profiles/VRLServerProfiles.h"
#include "sensor-service/smc/KeyAccess.h"
#include "sensor-service/smc/LeadingNumber.h"

namespace vrl {

namespace {

using Clock = std::chrono::steady_clock;

constexpr float kDefaultTimerInterval = 5.0f;

// At least one clock tick, so that deadlines always advance, and at most
// what the clock's count holds many times over.
Clock::duration periodOf(float seconds) {
    constexpr double kLongestPeriod = 1e9;  // seconds, some thirty years
    const double clamped = std::min(static_cast<double>(seconds), kLongestPeriod);
    const auto period = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(clamped));
    return std::max(period, Clock::duration(1));
}

// One period after the last deadline, so that refreshes keep their rhythm
// however long each takes; whole periods that have already gone by (a
// refresh slower than the period, a stalled loop) are skipped, not made up
// for by a burst of refreshes.
Clock::time_point deadlineAfter(Clock::time_point last, Clock::duration period, Clock::time_point now) {
    Clock::time_point next = last + period;
    if (next <= now) next += ((now - next) / period + 1) * period;
    return next;
}

}  // namespace

VRLServerObject::VRLServerObject(Environment env) : env_(std::move(env)) { detectSensors(); }

VRLServerObject::~VRLServerObject() { endTimer(); }

void VRLServerObject::detectSensors() {
    assignProfile();
    env_.smc.smcOpen();
    const std::vector<std::string> keys = getSmcKeysFromConnection(env_.smc);
    if (keys.empty()) env_.smc.smcClose();
    insertSmcFansWithConnection(keys);
    insertSmcSensorsWithKeys(keys);
    env_.smc.smcClose();
    startTimer();
}

void VRLServerObject::assignProfile() {
    const VRLServerProfiles profiles(env_.platformName);
    _platformProfile = platformProfileFromRows(profiles.systemProfile());
}

void VRLServerObject::insertSmcFansWithConnection(const std::vector<std::string>& keys) {
    FanDiscovery(env_.smc, keys, _modelData).insertSmcFansWithConnection();
}

void VRLServerObject::insertSmcSensorsWithKeys(const std::vector<std::string>& keys) {
    TemperatureDiscovery(env_.smc, keys, env_.mainBundle, _modelData).insertSmcSensorsWithKeys(_platformProfile);
}

void VRLServerObject::startTimer() {
    if (vrlTimer) return;
    if (!(_timerInterval > 0.0f)) _timerInterval = kDefaultTimerInterval;
    updateModuleFromTimer();
    vrlTimer = std::make_unique<asio::steady_timer>(env_.io);
    const Clock::duration period = periodOf(_timerInterval);
    vrlTimer->expires_after(period);
    scheduleNextRefresh(period);
}

void VRLServerObject::endTimer() {
    if (!vrlTimer) return;
    vrlTimer->cancel();
    vrlTimer.reset();
}

void VRLServerObject::scheduleNextRefresh(std::chrono::steady_clock::duration period) {
    asio::steady_timer* timer = vrlTimer.get();
    timer->async_wait([this, timer, period](std::error_code ec) {
        // A timer that endTimer replaced or cancelled must not refresh again.
        if (ec || vrlTimer.get() != timer) return;
        updateModuleFromTimer();
        if (vrlTimer.get() != timer) return;  // the refreshed hook ended the timer
        timer->expires_at(deadlineAfter(timer->expiry(), period, Clock::now()));
        scheduleNextRefresh(period);
    });
}

void VRLServerObject::updateModuleFromTimer() {
    env_.smc.smcOpen();
    for (auto& [key, entry] : _modelData) {
        // Views of the constants compare by length first, without a strlen.
        const std::string_view type = entry.type;
        if (type == std::string_view(kTypeTemperature)) {
            entry.value = getTempValueForKey(key);
        } else if (type == std::string_view(kTypeFans)) {
            entry.value = getFanValueForKey(key);
        }
    }
    env_.smc.smcClose();
    publish();
}

double VRLServerObject::getTempValueForKey(const std::string& key) { return env_.smc.smcGetTemperature(key.c_str()); }

double VRLServerObject::getFanValueForKey(const std::string& key) {
    const std::optional<std::string> text = valueForKey(env_.smc, key);
    return text ? leadingNumber(*text) : 0.0;
}

void VRLServerObject::setModelData(ModelData data) {
    _modelData = std::move(data);
    publish();
}

void VRLServerObject::addNewItemToModelDataForKey(const std::string& key, const std::string& title, int32_t type,
                                                  NumberObject min, NumberObject max) {
    _modelData.addNewItemToModelDataForKey(key, title, type, min, max);
}

void VRLServerObject::publish() const {
    if (env_.refreshed) env_.refreshed(_modelData);
}

}  // namespace vrl
