// Decoding cost, and what cached and uncached reads cost in time and in SMC
// exchanges through the simulated SMC.
#include <benchmark/benchmark.h>

#include <memory>

#include "platform/smc/BuiltInImage.h"
#include "platform/smc/SimulatedSmc.h"
#include "sensor-service/smc/KeyAccess.h"
#include "sensor-service/smc/Smc.h"
#include "sensor-service/smc/SmcHelper.h"
#include "sensor-service/smc/ValueText.h"

namespace {

using platform::smc::SimulatedSmc;

// The built-in Mac's simulated SMC with an open SMC object of its own.
struct OpenBuiltInSmc {
    OpenBuiltInSmc() { smc.smcOpen(); }
    SimulatedSmc driver{platform::smc::builtInImage()};
    vrl::Smc smc{driver};
};

void reportCallsPerRead(benchmark::State& state, const SimulatedSmc& smc) {
    state.counters["smc_calls_per_read"] =
        benchmark::Counter(static_cast<double>(smc.totalCalls()), benchmark::Counter::kAvgIterations);
}

void BM_TextOfFixedPoint(benchmark::State& state) {
    const uint8_t bytes[32] = {0x1F, 0x40};
    for (auto _ : state) {
        std::optional<std::string> text;
        vrl::stringRepresentationForBytes(bytes, 2, "fpe2", text);
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(BM_TextOfFixedPoint);

void BM_TextOfHexFallback(benchmark::State& state) {
    const uint8_t bytes[32] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    for (auto _ : state) {
        std::optional<std::string> text;
        vrl::stringRepresentationForBytes(bytes, 16, "abcd", text);
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(BM_TextOfHexFallback);

void BM_NumberOfFixedPoint(benchmark::State& state) {
    const uint8_t bytes[2] = {0x1F, 0x40};
    for (auto _ : state) benchmark::DoNotOptimize(vrl::SmcHelper::decodeNumericValueFromBuffer(bytes, 2, "fpe2"));
}
BENCHMARK(BM_NumberOfFixedPoint);

void BM_CachedTemperatureRead(benchmark::State& state) {
    OpenBuiltInSmc open;
    open.smc.smcGetTemperature("TC0P");  // first lookup fills the cache
    open.driver.resetCounts();
    for (auto _ : state) benchmark::DoNotOptimize(open.smc.smcGetTemperature("TC0P"));
    reportCallsPerRead(state, open.driver);
}
BENCHMARK(BM_CachedTemperatureRead);

void BM_UncachedRead(benchmark::State& state) {
    OpenBuiltInSmc open;
    vrl::SmcValue value{};
    for (auto _ : state) benchmark::DoNotOptimize(open.smc.smcReadKeyUncached("F0Ac", value));
    reportCallsPerRead(state, open.driver);
}
BENCHMARK(BM_UncachedRead);

void BM_FanSpeedAsText(benchmark::State& state) {
    OpenBuiltInSmc open;
    for (auto _ : state) benchmark::DoNotOptimize(vrl::valueForKey(open.smc, "F0Ac"));
    reportCallsPerRead(state, open.driver);
}
BENCHMARK(BM_FanSpeedAsText);

void BM_KeyListing(benchmark::State& state) {
    OpenBuiltInSmc open;
    for (auto _ : state) benchmark::DoNotOptimize(vrl::getSmcKeysFromConnection(open.smc));
    reportCallsPerRead(state, open.driver);
}
BENCHMARK(BM_KeyListing);

}  // namespace

BENCHMARK_MAIN();
