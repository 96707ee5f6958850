// What a user would run instead of the Prometheus export, side by side with
// it on the same applesmc driver: node_exporter's hwmon collector reads the
// driver's tempN_input and fanN_* attributes at every scrape, each one an SMC
// transaction, where a period of the export asks the service for the readings
// it already holds and reads nothing from the SMC.
//
// BM_HwmonScrapeBesideExportPeriod  one scrape (GET /metrics of a real
//     node_exporter with only its hwmon collector) beside one period of the
//     export (ask the service, format, replace the file), alternately, over
//     fake_applesmc.py serving the built-in MacBookPro11,1 (16 temperature
//     keys, 2 fans) at a real SMC's latency (300 µs a transaction plus 40 µs
//     a byte). The fake's counters give each one's SMC transactions; the
//     service's own 5-second refresh is stopped, so that the export's count
//     is the period's alone. Needs /dev/fuse, root and node_exporter.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include <benchmark/benchmark.h>

#include "bench/common/SideBySide.h"
#include "bench/service/ServiceProcesses.h"
#include "client/AtomicFile.h"
#include "client/PrometheusExposition.h"
#include "client/SensorClient.h"
#include "platform/smc/AppleSmcAttributeFiles.h"
#include "platform/smc/AppleSmcDriver.h"
#include "platform/smc/BuiltInImage.h"
#include "platform/smc/SmcImageWriter.h"
#include "sensor-service/server/polling/VRLServerObject.h"
#include "tests/applesmc/FakeAppleSmc.h"

namespace {

namespace fs = std::filesystem;
using vrl::test::FakeAppleSmc;

constexpr FakeAppleSmc::Latency kSmcLatency{300, 40};
constexpr const char* kNodeExporter = "/usr/bin/prometheus-node-exporter";

int loopbackSocket(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const auto* any = reinterpret_cast<const sockaddr*>(&address);
    if (port == 0 ? ::bind(fd, any, sizeof address) : ::connect(fd, any, sizeof address)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// A port nothing listens on now, for node_exporter to take.
int freePort() {
    const int fd = loopbackSocket(0);
    sockaddr_in bound{};
    socklen_t length = sizeof bound;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length);
    ::close(fd);
    return ntohs(bound.sin_port);
}

// The body and headers of GET /metrics; empty when nothing answers.
std::string scrape(int port) {
    const int fd = loopbackSocket(port);
    if (fd < 0) return {};
    const std::string request = "GET /metrics HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
    std::string reply;
    if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size())) {
        char buffer[65536];
        for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;)
            reply.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return reply;
}

std::size_t countLines(const std::string& text, const std::string& prefix) {
    std::size_t count = 0;
    for (std::size_t at = 0; (at = text.find("\n" + prefix, at)) != std::string::npos; ++at) ++count;
    return count;
}

// sysfs as node_exporter finds applesmc: a hwmon class entry whose device is
// the driver's directory, where the kernel keeps the readings.
fs::path sysfsFor(const fs::path& dir, const fs::path& device) {
    fs::create_directories(dir / "sys/class/hwmon/hwmon0");
    fs::create_directory_symlink(device, dir / "sys/class/hwmon/hwmon0/device");
    return dir / "sys";
}

template <typename Ready>
bool waitFor(Ready ready) {
    for (int i = 0; i < 100; ++i) {
        if (ready()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

double transactionsOf(FakeAppleSmc& fake, const std::function<void()>& run) {
    fake.control("reset");
    run();
    return fake.counters()["transactions"].get<double>();
}

void BM_HwmonScrapeBesideExportPeriod(benchmark::State& state) {
    const std::string image = platform::smc::smcImageJson(platform::smc::builtInImage()).value_or("");
    std::string error;
    auto fake = FakeAppleSmc::fuseAvailable() ? FakeAppleSmc::mount(image, kSmcLatency, error) : nullptr;
    if (!fake) return state.SkipWithError(("no FUSE applesmc: " + error).c_str());
    bench::keepOffOurCpu(fake->serverPid());
    const fs::path dir = fs::temp_directory_path() / ("vrl-hwmon-bench-" + std::to_string(getpid()));
    fs::remove_all(dir);
    const fs::path sysfs = sysfsFor(dir, fake->device());
    const int port = freePort();
    const std::string sysfsOption = "--path.sysfs=" + sysfs.string();
    const std::string listenOption = "--web.listen-address=127.0.0.1:" + std::to_string(port);
    bench::ChildProcess nodeExporter([&] {
        ::execl(kNodeExporter, kNodeExporter, "--collector.disable-defaults", "--collector.hwmon", sysfsOption.c_str(),
                listenOption.c_str(), "--log.level=error", static_cast<char*>(nullptr));
    });
    const fs::path socket = dir / "service.sock", exportFile = dir / "vorrel.prom";
    bench::ChildProcess service([&] {
        bench::runServiceUntilTerminated(
            socket, std::make_unique<platform::smc::AppleSmcDriver>(
                        std::make_unique<platform::smc::AppleSmcAttributeFiles>(fake->device())),
            "MacBookPro11,1", [](vrl::VRLServerObject& server) { server.endTimer(); });
    });
    vrl::client::SensorClient client(socket);
    std::string document;
    const auto exportPeriod = [&] {
        vrl::client::FetchResult result = client.getModelData();
        document = vrl::client::formatPrometheus(result ? std::optional(std::move(*result)) : std::nullopt,
                                                 "MacBookPro11,1");
        if (!result || !vrl::client::replaceFile(exportFile, document))
            state.SkipWithError("the export failed (refused? run from the bundle)");
    };
    std::string metrics;
    const auto scrapeOnce = [&] { metrics = scrape(port); };
    // The first scrape also fills the driver's index of the fans' keys, as
    // the kernel's after its first lookups: not a scrape's cost.
    if (!waitFor([&] { return client.getModelData().has_value(); }) ||
        !waitFor([&] { return !scrape(port).empty(); }))
        return state.SkipWithError("the service or node_exporter did not answer");
    const double scrapeTransactions = transactionsOf(*fake, scrapeOnce);
    const double exportTransactions = transactionsOf(*fake, exportPeriod);

    bench::sideBySide(state, exportPeriod, scrapeOnce);
    state.counters["scrape_transactions"] = scrapeTransactions;
    state.counters["export_transactions"] = exportTransactions;
    state.counters["hwmon_series"] = static_cast<double>(countLines(metrics, "node_hwmon_"));
    state.counters["export_series"] = static_cast<double>(countLines("\n" + document, "vorrel_"));
    fs::remove_all(dir);
}
BENCHMARK(BM_HwmonScrapeBesideExportPeriod)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
