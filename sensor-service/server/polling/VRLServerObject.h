#pragma once
// The heart of the sensor service: it runs discovery once, keeps the model
// data and re-reads every value on a fixed-rate timer. Discovery, profile
// choice and the entry operations live in their own folders; the object
// calls them in order and owns their results.
//
// Threads: the object, its SMC and its model data belong to the thread that
// runs io (the SMC thread). Every method must be called there, and the sink
// is called there too. Nothing here throws; SMC failures give
// the substitute values -1 (temperature) and 0 (fan speed).
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include <asio/io_context.hpp>
#include <asio/steady_timer.hpp>

#include "sensor-service/machine/SensorMachine.h"
#include "sensor-service/model/ModelData.h"
#include "sensor-service/model/ModelDataSink.h"
#include "sensor-service/profiles/PlatformProfile.h"
#include "sensor-service/smc/Smc.h"

namespace vrl {

class VRLServerObject {
public:
    // init: runs discovery, the first refresh and the start of the timer, so
    // a new object already holds values. io is the SMC thread's loop, which
    // runs the refresh timer; smc is read, the machine gives the model name
    // and the strings table of pattern titles; sink gets the model data after
    // every refresh. All four must outlive the object.
    VRLServerObject(asio::io_context& io, Smc& smc, const SensorMachine& machine, ModelDataSink& sink);
    ~VRLServerObject();
    VRLServerObject(const VRLServerObject&) = delete;
    VRLServerObject& operator=(const VRLServerObject&) = delete;

    // Profile, SMC open, key list, fans, temperature sensors, SMC close, timer.
    void detectSensors();
    // No-op while a timer runs. Otherwise a period of 0 or less becomes 5 s,
    // the values are refreshed at once, and a timer refreshes them every
    // period after that, at a fixed rate: each deadline is the previous one
    // plus the period, and deadlines already past when a refresh ends are
    // skipped rather than caught up.
    void startTimer();
    // Stops the timer (no-op without one); the values keep their last reading.
    void endTimer();
    // Opens the SMC, re-reads every entry's value, closes it, tells the sink.
    void updateModuleFromTimer();

    const ModelData& modelData() const { return _modelData; }
    // Replaces the model data and hands it to the sink. Nothing in the
    // service calls it; benchmarks shape the model data with it.
    void setModelData(ModelData data);

    // For tests and benchmarks only: state the service never reads or sets.
    bool TEST_isTimerRunning() const { return vrlTimer != nullptr; }
    float TEST_timerInterval() const { return _timerInterval; }
    // Takes effect at the next startTimer.
    void TEST_setTimerInterval(float seconds) { _timerInterval = seconds; }
    // When the running timer refreshes next; requires a running timer.
    std::chrono::steady_clock::time_point TEST_nextRefreshDeadline() const { return vrlTimer->expiry(); }
    const PlatformProfile& TEST_platformProfile() const { return _platformProfile; }

private:
    void assignProfile();
    // The SMC must be open; keys is the SMC's key list.
    void insertSmcFansWithConnection(const std::vector<std::string>& keys);
    void insertSmcSensorsWithKeys(const std::vector<std::string>& keys);
    // Degrees Celsius, or -1 when the key cannot be read or is not "sp78".
    double getTempValueForKey(const std::string& key);
    // The speed text read back as a number; 0 when there is none.
    double getFanValueForKey(const std::string& key);

    // period: as startTimer fixed it, so that a later setTimerInterval
    // cannot change a running timer.
    void scheduleNextRefresh(std::chrono::steady_clock::duration period);
    void publish() const;

    asio::io_context& io_;
    Smc& smc_;
    const SensorMachine& machine_;
    ModelDataSink& sink_;
    std::unique_ptr<asio::steady_timer> vrlTimer;
    float _timerInterval = 0.0f;
    PlatformProfile _platformProfile;
    ModelData _modelData;
};

}  // namespace vrl
