// A refresh and a discovery pass of the server object beside the same SMC
// calls made directly on the simulated driver, with the calls each costs.
#include <benchmark/benchmark.h>

#include <memory>

#include "bench/common/RecordingSmc.h"
#include "bench/common/SideBySide.h"
#include "bench/common/SyntheticSmc.h"
#include "platform/smc/BuiltInImage.h"
#include "platform/smc/SimulatedSmc.h"
#include "sensor-service/machine/SensorMachine.h"
#include "sensor-service/server/polling/VRLServerObject.h"
#include "sensor-service/smc/Smc.h"

namespace {

using bench::RecordingSmc;
using platform::smc::SimulatedSmc;

struct EntryCounts {
    double temperatures = 0;
    double fans = 0;
};

EntryCounts countEntries(const vrl::ModelData& model) {
    EntryCounts counts;
    for (const auto& [key, entry] : model) {
        if (entry.type == vrl::kTypeTemperature) ++counts.temperatures;
        if (entry.type == vrl::kTypeFans) ++counts.fans;
    }
    return counts;
}

// A server object on a simulated Mac whose SMC calls can be recorded once and
// then go straight to the simulated driver.
class Machine : public vrl::ModelDataSink {
public:
    explicit Machine(platform::smc::SmcImage image)
        : machine_(vrl::SensorMachine::simulated(std::make_unique<SimulatedSmc>(std::move(image)))),
          smc_(static_cast<SimulatedSmc&>(machine_->smcDriver())),
          server_(serverOn(recordedSmc_)) {
        recorder_.take();
    }

    vrl::VRLServerObject& server() { return *server_; }
    SimulatedSmc& smc() { return smc_; }

    // The calls one run of pass makes once the key-info cache is as a
    // running service has it; the recorder is left out of the path afterwards.
    // pass is called with the server object in use; server() is the direct
    // one afterwards.
    template <typename Pass>
    std::vector<RecordingSmc::Call> recordAndBypass(Pass pass) {
        pass(*server_);
        recorder_.take();
        pass(*server_);
        std::vector<RecordingSmc::Call> calls = recorder_.take();
        // A server object on the driver itself: its creation fills its SMC
        // object's key-info cache in the order the service's own start gives
        // it, then one more run.
        server_ = serverOn(directSmc_);
        pass(*server_);
        return calls;
    }

private:
    std::unique_ptr<vrl::VRLServerObject> serverOn(vrl::Smc& smc) {
        return std::make_unique<vrl::VRLServerObject>(io_, smc, *machine_, *this);
    }
    void modelDataRefreshed(const vrl::ModelData&) override {}

    std::unique_ptr<vrl::SensorMachine> machine_;
    SimulatedSmc& smc_;
    RecordingSmc recorder_{smc_};
    vrl::Smc recordedSmc_{recorder_};
    vrl::Smc directSmc_{smc_};
    asio::io_context io_;
    std::unique_ptr<vrl::VRLServerObject> server_;
};

void BM_Refresh(benchmark::State& state) {
    Machine machine(platform::smc::builtInImage());
    const auto calls = machine.recordAndBypass([](vrl::VRLServerObject& server) { server.updateModuleFromTimer(); });
    vrl::VRLServerObject& server = machine.server();
    const EntryCounts entries = countEntries(server.modelData());
    bench::sideBySide(
        state, [&] { RecordingSmc::replay(machine.smc(), calls); }, [&] { server.updateModuleFromTimer(); });
    state.counters["entries"] = entries.temperatures + entries.fans;
    state.counters["smc_calls"] = static_cast<double>(calls.size());
    // One cached read per temperature, an uncached one (two calls) per fan.
    state.counters["expected_calls"] = entries.temperatures + 2 * entries.fans;
}
BENCHMARK(BM_Refresh);

// One cached temperature read, the step a refresh repeats for most entries,
// beside the one call it makes, on a connection that stays open. Timed a
// hundred at a time, so that reading the clock weighs on neither.
void BM_CachedReadBesideItsCall(benchmark::State& state) {
    constexpr int kReads = 100;
    SimulatedSmc smc(platform::smc::builtInImage());
    RecordingSmc recorder(smc);
    vrl::Smc recorded(recorder);
    recorded.smcOpen();
    recorded.smcGetTemperature("TC0P");  // fills the key-info cache
    recorder.take();
    recorded.smcGetTemperature("TC0P");
    const std::vector<RecordingSmc::Call> calls = recorder.take();
    vrl::Smc direct(smc);
    direct.smcOpen();
    direct.smcGetTemperature("TC0P");
    uint32_t handle = 0;
    smc.open(handle);
    platform::smc::SmcKeyData output{};
    bench::sideBySide(
        state,
        [&] {
            for (int i = 0; i < kReads; ++i) {
                for (const RecordingSmc::Call& call : calls)
                    smc.callStructMethod(handle, call.selector, call.input, output);
                benchmark::DoNotOptimize(output);
            }
        },
        [&] {
            for (int i = 0; i < kReads; ++i) benchmark::DoNotOptimize(direct.smcGetTemperature("TC0P"));
        });
    state.counters["floor_us"] = state.counters["floor_us"] / kReads;
    state.counters["subject_us"] = state.counters["subject_us"] / kReads;
    state.counters["smc_calls"] = static_cast<double>(calls.size());
}
BENCHMARK(BM_CachedReadBesideItsCall);

void BM_Discovery(benchmark::State& state) {
    Machine machine(bench::builtInImageListing(static_cast<std::size_t>(state.range(0))));
    const auto calls = machine.recordAndBypass([](vrl::VRLServerObject& server) { server.detectSensors(); });
    vrl::VRLServerObject& server = machine.server();
    const EntryCounts entries = countEntries(server.modelData());
    bench::sideBySide(
        state, [&] { RecordingSmc::replay(machine.smc(), calls); }, [&] { server.detectSensors(); });
    state.counters["keys"] = static_cast<double>(state.range(0));
    state.counters["smc_calls"] = static_cast<double>(calls.size());
    // The cached "#KEY" read and one index read per key; per fan its two
    // limits (cached reads, one call each once cached) and its identifier and
    // speed (uncached, two calls each); one uncached read per sensor found.
    state.counters["expected_calls"] =
        1 + static_cast<double>(state.range(0)) + 6 * entries.fans + 2 * entries.temperatures;
}
BENCHMARK(BM_Discovery)->Arg(100)->Arg(1000)->Arg(2500)->Arg(10000);

}  // namespace

BENCHMARK_MAIN();
