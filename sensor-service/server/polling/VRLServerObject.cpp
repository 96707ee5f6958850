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

VRLServerObject::VRLServerObject(asio::io_context& io, Smc& smc, const SensorMachine& machine, ModelDataSink& sink)
    : io_(io), smc_(smc), machine_(machine), sink_(sink) {
    detectSensors();
}

VRLServerObject::~VRLServerObject() { endTimer(); }

void VRLServerObject::detectSensors() {
    assignProfile();
    smc_.smcOpen();
    const std::vector<std::string> keys = getSmcKeysFromConnection(smc_);
    if (keys.empty()) smc_.smcClose();
    insertSmcFansWithConnection(keys);
    insertSmcSensorsWithKeys(keys);
    smc_.smcClose();
    startTimer();
}

void VRLServerObject::assignProfile() {
    const VRLServerProfiles profiles(machine_.platformName());
    _platformProfile = platformProfileFromRows(profiles.systemProfile());
}

void VRLServerObject::insertSmcFansWithConnection(const std::vector<std::string>& keys) {
    FanDiscovery(smc_, keys, _modelData).insertSmcFansWithConnection();
}

void VRLServerObject::insertSmcSensorsWithKeys(const std::vector<std::string>& keys) {
    TemperatureDiscovery(smc_, keys, machine_.mainBundle(), _modelData).insertSmcSensorsWithKeys(_platformProfile);
}

void VRLServerObject::startTimer() {
    if (vrlTimer) return;
    if (!(_timerInterval > 0.0f)) _timerInterval = kDefaultTimerInterval;
    updateModuleFromTimer();
    vrlTimer = std::make_unique<asio::steady_timer>(io_);
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
    smc_.smcOpen();
    for (auto& [key, entry] : _modelData) {
        // Views of the constants compare by length first, without a strlen.
        const std::string_view type = entry.type;
        if (type == std::string_view(kTypeTemperature)) {
            entry.value = getTempValueForKey(key);
        } else if (type == std::string_view(kTypeFans)) {
            entry.value = getFanValueForKey(key);
        }
    }
    smc_.smcClose();
    publish();
}

double VRLServerObject::getTempValueForKey(const std::string& key) { return smc_.smcGetTemperature(key.c_str()); }

double VRLServerObject::getFanValueForKey(const std::string& key) {
    const std::optional<std::string> text = valueForKey(smc_, key);
    return text ? leadingNumber(*text) : 0.0;
}

void VRLServerObject::setModelData(ModelData data) {
    _modelData = std::move(data);
    publish();
}

void VRLServerObject::publish() const { sink_.modelDataRefreshed(_modelData); }

}  // namespace vrl
