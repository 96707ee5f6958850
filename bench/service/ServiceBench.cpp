// Requests to the service beside their floor: a raw epoll server answering
// every request with as many bytes as the service's reply (three system calls
// a request). Both run in processes of their own; VRL_BENCH_CPU=N pins them and
// this process to CPU N. This binary lives in a bundle that the service's gate
// admits.
#include <sched.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/common/SideBySide.h"
#include "bench/common/SyntheticSmc.h"
#include "bench/service/EpollFloor.h"
#include "bench/common/ProcessLoad.h"
#include "bench/service/ServiceProcesses.h"
#include "bench/service/SystemCallCount.h"
#include "client/SensorClient.h"
#include "platform/ipc/WireProtocol.h"
#include "platform/smc/BuiltInImage.h"
#include "platform/smc/SimulatedSmc.h"
#include "sensor-service/server/polling/VRLServerObject.h"

namespace {

using bench::ChildProcess;
using bench::connectTo;
using bench::roundTrip;

constexpr int kClients = 8;
constexpr int kRequestsPerClient = 250;

// Two fans with their limits and temperature sensors for the rest, titled as
// the profiles title theirs.
vrl::ModelData modelOfSize(int entries) {
    vrl::ModelData model;
    for (int fan = 0; fan < 2 && fan < entries; ++fan) {
        model["F" + std::to_string(fan) + "Ac"] =
            vrl::SensorEntry{fan == 0 ? "Left Side" : "Right Side", 2000.0 + fan, vrl::kUnitRpm, vrl::kTypeFans,
                             vrl::NumberObject{1200.0f}, vrl::NumberObject{6200.0f}, true};
    }
    for (int i = 0; static_cast<int>(model.size()) < entries; ++i) {
        model[bench::numberedKey('T', static_cast<std::size_t>(i))] = vrl::SensorEntry{
            "Temperature Sensor " + std::to_string(i), 40.25 + i % 30, vrl::kUnitCelsius, vrl::kTypeTemperature,
            {}, {}, false};
    }
    return model;
}

// The service on the built-in Mac, with its model data replaced by one of the
// wanted size and published by a refresh.
void runService(const std::filesystem::path& path, int entries) {
    auto smc = std::make_unique<platform::smc::SimulatedSmc>(platform::smc::builtInImage());
    const std::string model = smc->model().value_or("");
    bench::runServiceUntilTerminated(path, std::move(smc), model, [entries](vrl::VRLServerObject& server) {
        server.setModelData(modelOfSize(entries));
        server.updateModuleFromTimer();
    });
}

void runFloor(const std::filesystem::path& path, std::size_t replySize) {
    std::vector<uint8_t> reply(4 + replySize, 0x5a);
    for (int i = 0; i < 4; ++i) reply[i] = static_cast<uint8_t>(replySize >> (24 - 8 * i));
    bench::runEpollFloor(path, reply);
}

// The service with a model of the given size and its floor, both listening.
struct Servers {
    explicit Servers(int entries)
        : dir(std::filesystem::temp_directory_path() / ("vrl-bench-" + std::to_string(getpid()))),
          servicePath(dir / "service.sock"),
          floorPath(dir / "floor.sock") {
        std::filesystem::create_directories(dir);
        service = std::make_unique<ChildProcess>([&] { runService(servicePath, entries); });
        const int probe = connectTo(servicePath);
        std::vector<uint8_t> buffer;
        if (probe >= 0) replyBytes = roundTrip(probe, buffer);
        ::close(probe);
        floor = std::make_unique<ChildProcess>([&] { runFloor(floorPath, replyBytes); });
    }
    ~Servers() {
        service.reset();
        floor.reset();
        std::filesystem::remove_all(dir);
    }

    std::filesystem::path dir, servicePath, floorPath;
    std::size_t replyBytes = 0;
    std::unique_ptr<ChildProcess> service, floor;
};

struct Connections {
    Connections(const std::filesystem::path& path, int count) {
        for (int i = 0; i < count; ++i) fds.push_back(connectTo(path));
    }
    ~Connections() {
        for (int fd : fds) ::close(fd);
    }
    // One round trip on each, so that admission and the first allocations are
    // behind; false when any fails.
    bool ready() const {
        std::vector<uint8_t> buffer;
        return std::all_of(fds.begin(), fds.end(), [&buffer](int fd) { return fd >= 0 && roundTrip(fd, buffer) > 0; });
    }
    std::vector<int> fds;
};

// Each server's own cost per request over a benchmark's timed loop, read from
// /proc: CPU time, wake-ups and preemptions, the service's threads all counted.
class CostPerRequest {
public:
    explicit CostPerRequest(const Servers& servers)
        : floorPid_(servers.floor->pid()),
          servicePid_(servers.service->pid()),
          floorStart_(bench::processLoad(floorPid_)),
          serviceStart_(bench::processLoad(servicePid_)) {}

    void report(benchmark::State& state, double requestsPerIteration) const {
        const double requests = static_cast<double>(state.iterations()) * requestsPerIteration;
        const bench::ProcessLoad floor = bench::processLoad(floorPid_) - floorStart_;
        const bench::ProcessLoad service = bench::processLoad(servicePid_) - serviceStart_;
        state.counters["floor_cpu_us"] = floor.cpuNanoseconds / requests / 1000;
        state.counters["subject_cpu_us"] = service.cpuNanoseconds / requests / 1000;
        state.counters["cpu_ratio"] = service.cpuNanoseconds / floor.cpuNanoseconds;
        state.counters["floor_wakeups"] = floor.wakeups / requests;
        state.counters["subject_wakeups"] = service.wakeups / requests;
        state.counters["floor_preemptions"] = floor.preemptions / requests;
        state.counters["subject_preemptions"] = service.preemptions / requests;
        state.counters["subject_other_thread_wakeups"] = service.otherThreadWakeups / requests;
    }

private:
    pid_t floorPid_, servicePid_;
    bench::ProcessLoad floorStart_, serviceStart_;
};

void BM_RequestRoundTrip(benchmark::State& state) {
    const int entries = static_cast<int>(state.range(0));
    Servers servers(entries);
    Connections toService(servers.servicePath, 1), toFloor(servers.floorPath, 1);
    if (servers.replyBytes == 0 || !toService.ready() || !toFloor.ready()) {
        state.SkipWithError("no server (refused? run from the bundle)");
        return;
    }
    std::vector<uint8_t> buffer;
    bool failed = false;
    const CostPerRequest cost(servers);
    bench::sideBySide(
        state, [&] { failed |= roundTrip(toFloor.fds[0], buffer) == 0; },
        [&] { failed |= roundTrip(toService.fds[0], buffer) == 0; });
    if (failed) state.SkipWithError("a round trip failed");
    cost.report(state, 1);
    state.counters["entries"] = entries;
    state.counters["reply_bytes"] = static_cast<double>(servers.replyBytes);
}
BENCHMARK(BM_RequestRoundTrip)->Arg(10)->Arg(150)->Arg(1000)->UseRealTime();

// Every client sends its requests one after another on its own connection.
bool runClients(const std::vector<int>& fds) {
    std::vector<std::thread> clients;
    std::atomic<bool> failed = false;
    for (int fd : fds) {
        clients.emplace_back([fd, &failed] {
            std::vector<uint8_t> buffer;
            for (int i = 0; i < kRequestsPerClient; ++i) failed = failed || roundTrip(fd, buffer) == 0;
        });
    }
    for (std::thread& client : clients) client.join();
    return !failed;
}

void BM_RequestsPerSecond8Clients(benchmark::State& state) {
    Servers servers(150);
    Connections toService(servers.servicePath, kClients), toFloor(servers.floorPath, kClients);
    if (servers.replyBytes == 0 || !toService.ready() || !toFloor.ready()) {
        state.SkipWithError("no server (refused? run from the bundle)");
        return;
    }
    bool ok = true;
    const double requests = kClients * kRequestsPerClient;
    const CostPerRequest cost(servers);
    bench::sideBySide(state, [&] { ok &= runClients(toFloor.fds); }, [&] { ok &= runClients(toService.fds); });
    if (!ok) state.SkipWithError("a round trip failed");
    cost.report(state, requests);
    const double floorRate = requests / (state.counters["floor_us"] * 1e-6);
    const double subjectRate = requests / (state.counters["subject_us"] * 1e-6);
    state.counters["floor_rps"] = floorRate;
    state.counters["subject_rps"] = subjectRate;
    state.counters["rps_ratio"] = subjectRate / floorRate;
    state.counters["reply_bytes"] = static_cast<double>(servers.replyBytes);
}
BENCHMARK(BM_RequestsPerSecond8Clients)->UseRealTime()->Unit(benchmark::kMillisecond);

// System calls each server makes per request, counted by strace, in all and
// by kind: the floor makes three (epoll_wait, read, write).
void BM_SystemCallsPerRequest(benchmark::State& state) {
    constexpr int kRequests = 2000;
    Servers servers(150);
    Connections toService(servers.servicePath, 1), toFloor(servers.floorPath, 1);
    if (servers.replyBytes == 0 || !toService.ready() || !toFloor.ready()) {
        state.SkipWithError("no server (refused? run from the bundle)");
        return;
    }
    auto callsPerRequest = [](pid_t pid, int fd) -> std::optional<bench::SystemCalls> {
        std::vector<uint8_t> buffer;
        bench::SystemCallCount count(pid);
        for (int i = 0; i < kRequests; ++i) {
            if (roundTrip(fd, buffer) == 0) return std::nullopt;
        }
        return count.finish();
    };
    auto report = [&state](const std::string& side, const bench::SystemCalls& calls) {
        state.counters[side + "_calls"] = calls.total / kRequests;
        state.counters[side + "_failed_calls"] = calls.failed / kRequests;
        for (const auto& [name, count] : calls.byName) state.counters[side + "_calls." + name] = count / kRequests;
    };
    for (auto _ : state) {
        const std::optional<bench::SystemCalls> floor = callsPerRequest(servers.floor->pid(), toFloor.fds[0]);
        const std::optional<bench::SystemCalls> subject = callsPerRequest(servers.service->pid(), toService.fds[0]);
        if (!floor || !subject) {
            state.SkipWithError("strace could not count (is it installed?)");
            return;
        }
        report("floor", *floor);
        report("subject", *subject);
    }
}
BENCHMARK(BM_SystemCallsPerRequest)->Iterations(1)->Repetitions(1)->UseRealTime()->Unit(benchmark::kMillisecond);

// What the main application pays: request, reply and decoding to model data.
void BM_RequestDecoded(benchmark::State& state) {
    Servers servers(150);
    vrl::client::SensorClient client(servers.servicePath);
    for (auto _ : state) {
        if (!client.getModelData()) {
            state.SkipWithError("request failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RequestDecoded)->UseRealTime();

void pinFromEnvironment() {
    const char* cpu = std::getenv("VRL_BENCH_CPU");
    if (cpu == nullptr) return;
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(std::atoi(cpu), &set);
    sched_setaffinity(0, sizeof set, &set);  // both servers inherit it across fork
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    pinFromEnvironment();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
