// What the Prometheus export costs. The packaged unit is one long-running
// `vrlsensors --format=prometheus --watch=15 --output=FILE`; each period it asks
// the service over the connection it keeps, formats and replaces the file.
//
// BM_ExportPeriod      one period's work in this process, beside its floor:
//                      replacing the same file with the same bytes.
// BM_ExportProcess     one export as a fresh process, what a timer and a
//                      oneshot service would pay each period (before systemd's
//                      own work of starting a unit), beside exec of /bin/true.
// BM_PackagedMinute    the packaged command line itself at its 15-s period,
//                      over VRL_BENCH_IDLE_SECONDS (default 60): its CPU and
//                      wake-ups, and the service's, summed over every thread.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/common/ProcessLoad.h"
#include "client/AtomicFile.h"
#include "client/PrometheusExposition.h"
#include "client/SensorClient.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
constexpr double kPackagedPeriodSeconds = 15;

pid_t spawn(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

double processCpuMicroseconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e6 + now.tv_nsec / 1e3;
}

// The service on its built-in Mac, in a scratch directory of its own.
class Service {
public:
    Service() : directory_(fs::temp_directory_path() / ("vrl-export-bench-" + std::to_string(getpid()))) {
        fs::create_directories(directory_);
        socket_ = directory_ / "vrlsensord.sock";
        pid_ = spawn({VRL_BENCH_SENSORD, "--smc-demo", "--socket", socket_.string()});
        vrl::client::SensorClient client(socket_);
        for (int i = 0; i < 100 && !client.getModelData(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ~Service() {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
        fs::remove_all(directory_);
    }
    pid_t pid() const { return pid_; }
    const fs::path& socket() const { return socket_; }
    fs::path file(const std::string& name) const { return directory_ / name; }

private:
    fs::path directory_;
    fs::path socket_;
    pid_t pid_ = -1;
};

Service& service() {
    static Service instance;
    return instance;
}

void BM_ExportPeriod(benchmark::State& state) {
    vrl::client::SensorClient client(service().socket());
    const fs::path file = service().file("vorrel.prom");
    std::string bytes;
    double subject = 0, floor = 0, clientCpu = 0;
    const bench::ProcessLoad serviceBefore = bench::processLoad(service().pid());
    for (auto _ : state) {
        const auto start = Clock::now();
        const double cpuStart = processCpuMicroseconds();
        vrl::client::FetchResult result = client.getModelData();
        bytes = vrl::client::formatPrometheus(result ? std::optional(std::move(*result)) : std::nullopt,
                                              "MacBookPro11,1");
        if (!result || !vrl::client::replaceFile(file, bytes)) state.SkipWithError("export failed");
        clientCpu += processCpuMicroseconds() - cpuStart;
        const auto middle = Clock::now();
        if (!vrl::client::replaceFile(file, bytes)) state.SkipWithError("write failed");
        const auto end = Clock::now();
        subject += std::chrono::duration<double, std::micro>(middle - start).count();
        floor += std::chrono::duration<double, std::micro>(end - middle).count();
    }
    const double n = static_cast<double>(state.iterations());
    const double serviceCpu = (bench::processLoad(service().pid()) - serviceBefore).cpuNanoseconds / 1000 / n;
    state.counters["subject_us"] = subject / n;
    state.counters["floor_us"] = floor / n;
    state.counters["ratio"] = subject / floor;
    state.counters["client_cpu_us"] = clientCpu / n;
    // The floor's writes run in the same loop; the service does nothing for them.
    state.counters["service_cpu_us"] = serviceCpu;
    state.counters["document_bytes"] = static_cast<double>(bytes.size());
}
BENCHMARK(BM_ExportPeriod)->UseRealTime()->Unit(benchmark::kMicrosecond);

// CPU (µs) a child spent from spawn to exit, by wait4's account.
double childCpuMicroseconds(const std::vector<std::string>& args) {
    const pid_t pid = spawn(args);
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) return -1;
    const auto us = [](const timeval& t) { return t.tv_sec * 1e6 + t.tv_usec; };
    return us(usage.ru_utime) + us(usage.ru_stime);
}

void BM_ExportProcess(benchmark::State& state) {
    const std::vector<std::string> exportCommand{VRL_BENCH_SENSORS, "--format=prometheus", "--output",
                                                 service().file("vorrel.prom").string(), "--socket",
                                                 service().socket().string()};
    double subject = 0, floor = 0;
    const bench::ProcessLoad serviceBefore = bench::processLoad(service().pid());
    for (auto _ : state) {
        subject += childCpuMicroseconds(exportCommand);
        floor += childCpuMicroseconds({"/bin/true"});
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["client_cpu_us"] = subject / n;
    state.counters["floor_cpu_us"] = floor / n;
    state.counters["service_cpu_us"] = (bench::processLoad(service().pid()) - serviceBefore).cpuNanoseconds / 1000 / n;
}
BENCHMARK(BM_ExportProcess)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(50);

void BM_PackagedMinute(benchmark::State& state) {
    const char* configured = std::getenv("VRL_BENCH_IDLE_SECONDS");
    const double seconds = configured ? std::atof(configured) : 60;
    for (auto _ : state) {
        const pid_t exporter = spawn({VRL_BENCH_SENSORS, "--format=prometheus", "--watch=15", "--output",
                                      service().file("packaged.prom").string(), "--socket",
                                      service().socket().string()});
        // Its start and first export are the process's one-off cost, not the period's.
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        const bench::ProcessLoad exporterBefore = bench::processLoad(exporter);
        const bench::ProcessLoad serviceBefore = bench::processLoad(service().pid());
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        const bench::ProcessLoad exporterUse = bench::processLoad(exporter) - exporterBefore;
        const bench::ProcessLoad serviceUse = bench::processLoad(service().pid()) - serviceBefore;
        kill(exporter, SIGTERM);
        waitpid(exporter, nullptr, 0);
        state.counters["seconds"] = seconds;
        state.counters["exporter_cpu_us"] = exporterUse.cpuNanoseconds / 1000;
        state.counters["exporter_wakeups"] = exporterUse.wakeups + exporterUse.preemptions;
        state.counters["service_cpu_us"] = serviceUse.cpuNanoseconds / 1000;
        state.counters["periods"] = std::floor(seconds / kPackagedPeriodSeconds);
    }
}
BENCHMARK(BM_PackagedMinute)->UseRealTime()->Unit(benchmark::kSecond)->Iterations(1)->Repetitions(1);

}  // namespace

BENCHMARK_MAIN();
