// The service on the applesmc driver, over fake_applesmc.py with a real SMC's
// latency (300 µs a transaction plus 40 µs a byte): the longest request round
// trip while refreshes run, beside the raw epoll floor, and the service's CPU
// and SMC traffic over an idle stretch at its own 5-second period. Needs
// /dev/fuse and root; without them both report an error.
#include <sys/mman.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/service/EpollFloor.h"
#include "bench/common/ProcessLoad.h"
#include "bench/service/ServiceProcesses.h"
#include "client/SensorClient.h"
#include "platform/smc/AppleSmcAttributeFiles.h"
#include "platform/smc/AppleSmcDriver.h"
#include "sensor-service/server/polling/VRLServerObject.h"
#include "tests/applesmc/FakeAppleSmc.h"

namespace {

using vrl::test::FakeAppleSmc;
using Clock = std::chrono::steady_clock;

constexpr FakeAppleSmc::Latency kSmcLatency{300, 40};
constexpr const char* kModel = "MacPro5,1";
// Refreshes back to back, so that most requests meet one under way.
constexpr float kBusyRefreshSeconds = 0.02f;

std::string imageText() {
    std::ifstream in(VRL_BENCH_APPLESMC_IMAGE);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The applesmc driver, counting its opens where the parent can read them: the
// service opens the SMC once for discovery and once for every refresh.
class OpenCountingDriver : public platform::smc::AppleSmcDriver {
public:
    OpenCountingDriver(const std::filesystem::path& device, std::atomic<uint64_t>& opens)
        : AppleSmcDriver(std::make_unique<platform::smc::AppleSmcAttributeFiles>(device)), opens_(opens) {}
    platform::smc::SmcStatus open(uint32_t& handle) override {
        ++opens_;
        return AppleSmcDriver::open(handle);
    }

private:
    std::atomic<uint64_t>& opens_;
};

// A counter in memory shared with the children forked after it.
std::atomic<uint64_t>& sharedCounter() {
    void* page = mmap(nullptr, sizeof(std::atomic<uint64_t>), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    return *new (page) std::atomic<uint64_t>(0);
}

// The service on the applesmc driver; a period of 0 keeps the service's own.
void runService(const std::filesystem::path& socket, const std::filesystem::path& device, float period,
                std::atomic<uint64_t>& opens) {
    bench::runServiceUntilTerminated(socket, std::make_unique<OpenCountingDriver>(device, opens), kModel,
                                     [period](vrl::VRLServerObject& server) {
                                         if (period <= 0) return;
                                         server.endTimer();
                                         server.TEST_setTimerInterval(period);
                                         server.startTimer();
                                     });
}

struct Mounted {
    explicit Mounted(benchmark::State& state) {
        std::string error;
        if (FakeAppleSmc::fuseAvailable()) fake = FakeAppleSmc::mount(imageText(), kSmcLatency, error);
        if (!fake) {
            state.SkipWithError(("no FUSE applesmc: " + error).c_str());
            return;
        }
        bench::keepOffOurCpu(fake->serverPid());
    }
    std::unique_ptr<FakeAppleSmc> fake;
    std::filesystem::path dir = std::filesystem::temp_directory_path() / ("vrl-applesmc-bench-" + std::to_string(getpid()));
};

// Round-trip times in microseconds of requests sent one after another on one
// connection, at least `count` of them and for at least `span`.
std::vector<double> roundTrips(int fd, std::size_t count, Clock::duration span) {
    std::vector<double> times;
    std::vector<uint8_t> buffer;
    for (const auto end = Clock::now() + span; times.size() < count || Clock::now() < end;) {
        const auto start = Clock::now();
        if (bench::roundTrip(fd, buffer) == 0) return {};
        times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    return times;
}

double percentile(std::vector<double> times, double fraction) {
    std::sort(times.begin(), times.end());
    return times[static_cast<std::size_t>(fraction * static_cast<double>(times.size() - 1))];
}

constexpr int kWindows = 10;
constexpr auto kWindow = std::chrono::milliseconds(200);

// The longest round trip of each window, and every round trip's time.
struct Windows {
    std::vector<double> longest;
    std::vector<double> all;
    std::size_t requests = 0;

    bool add(const std::vector<double>& times) {
        if (times.empty()) return false;
        longest.push_back(percentile(times, 1.0));
        all.insert(all.end(), times.begin(), times.end());
        requests += times.size();
        return true;
    }
    // The longest in a typical window (the median window's), the longest of
    // all, and the 99th percentile.
    void report(benchmark::State& state, const std::string& who) const {
        state.counters[who + "_window_max_us"] = percentile(longest, 0.5);
        state.counters[who + "_max_us"] = percentile(all, 1.0);
        state.counters[who + "_p99_us"] = percentile(all, 0.99);
    }
};

void BM_LongestRoundTripDuringRefreshes(benchmark::State& state) {
    Mounted mounted(state);
    if (!mounted.fake) return;
    std::filesystem::create_directories(mounted.dir);
    const auto servicePath = mounted.dir / "service.sock", floorPath = mounted.dir / "floor.sock";
    std::atomic<uint64_t>& opens = sharedCounter();
    bench::ChildProcess service([&] { runService(servicePath, mounted.fake->device(), kBusyRefreshSeconds, opens); });
    const int toService = bench::connectTo(servicePath);
    std::vector<uint8_t> reply;
    const std::size_t replyBytes = toService < 0 ? 0 : bench::roundTrip(toService, reply);
    std::vector<uint8_t> floorReply(4 + replyBytes, 0x5a);
    for (int i = 0; i < 4; ++i) floorReply[i] = static_cast<uint8_t>(replyBytes >> (24 - 8 * i));
    bench::ChildProcess floor([&] { bench::runEpollFloor(floorPath, floorReply); });
    const int toFloor = bench::connectTo(floorPath);
    if (replyBytes == 0 || toFloor < 0) {
        state.SkipWithError("no server (refused? run from the bundle)");
        return;
    }
    for (auto _ : state) {
        mounted.fake->control("reset");
        const uint64_t opensBefore = opens;
        // Alternating windows of equal length, each long enough for about ten
        // refreshes, so that a stall of this shared machine meets both alike.
        Windows service, floor;
        for (int window = 0; window < kWindows; ++window) {
            if (!service.add(roundTrips(toService, 0, kWindow)) || !floor.add(roundTrips(toFloor, 0, kWindow))) {
                state.SkipWithError("a round trip failed");
                return;
            }
        }
        service.report(state, "subject");
        floor.report(state, "floor");
        state.counters["requests"] = static_cast<double>(service.requests);
        state.counters["refreshes_meanwhile"] = static_cast<double>(opens - opensBefore);
    }
    ::close(toService);
    ::close(toFloor);
    std::filesystem::remove_all(mounted.dir);
}
BENCHMARK(BM_LongestRoundTripDuringRefreshes)->Iterations(1)->Repetitions(1)->UseRealTime()->Unit(benchmark::kMillisecond);

int idleSeconds() {
    const char* seconds = std::getenv("VRL_BENCH_IDLE_SECONDS");
    // Whole periods, so that the window holds a whole number of refreshes.
    return seconds ? std::max(5, std::atoi(seconds) / 5 * 5) : 60;
}

void BM_IdleMinuteOnApplesmc(benchmark::State& state) {
    Mounted mounted(state);
    if (!mounted.fake) return;
    std::filesystem::create_directories(mounted.dir);
    const auto servicePath = mounted.dir / "service.sock";
    std::atomic<uint64_t>& opens = sharedCounter();
    bench::ChildProcess service([&] { runService(servicePath, mounted.fake->device(), 0, opens); });
    ::close(bench::connectTo(servicePath));  // waits until the service listens
    vrl::client::SensorClient client(servicePath);
    const vrl::client::FetchResult data = client.getModelData();
    if (!data) {
        state.SkipWithError("no model data (refused? run from the bundle)");
        return;
    }
    const int seconds = idleSeconds();
    for (auto _ : state) {
        // Half a period in, so that no refresh straddles either end of the window.
        std::this_thread::sleep_for(std::chrono::milliseconds(2500));
        mounted.fake->control("reset");
        const uint64_t opensBefore = opens;
        const double before = bench::processLoad(service.pid()).cpuNanoseconds;
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        const double used = bench::processLoad(service.pid()).cpuNanoseconds - before;
        const nlohmann::json counts = mounted.fake->counters();
        const double refreshes = static_cast<double>(opens - opensBefore);
        const double entries = static_cast<double>(data->size());
        state.counters["cpu_ms_per_minute"] = used / 1e6 * 60.0 / seconds;
        state.counters["entries"] = entries;
        state.counters["refreshes"] = refreshes;
        // Every entry whose key the SMC has costs 3 accesses and 1 transaction;
        // a key it lacks (the image's third fan) is known missing from the key
        // table and costs neither.
        state.counters["accesses_per_refresh"] = counts.value("accesses", 0.0) / refreshes;
        state.counters["transactions_per_refresh"] = counts.value("transactions", 0.0) / refreshes;
    }
    std::filesystem::remove_all(mounted.dir);
}
BENCHMARK(BM_IdleMinuteOnApplesmc)->Iterations(1)->Repetitions(1)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
