// Requests to the service beside their floor: a plain Unix-socket ping-pong
// server, single-threaded around one io_context as the service is, that
// answers every frame with as many bytes as the service's reply. Both run in
// processes of their own; VRL_BENCH_CPU=N pins them and this process to CPU N.
// This binary lives in a bundle that the service's gate admits.
#include <sched.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include <asio/io_context.hpp>
#include <asio/local/stream_protocol.hpp>
#include <asio/read.hpp>
#include <asio/signal_set.hpp>
#include <asio/write.hpp>
#include <benchmark/benchmark.h>

#include "bench/common/SideBySide.h"
#include "bench/common/SyntheticSmc.h"
#include "client/SensorClient.h"
#include "platform/foundation/Bundle.h"
#include "platform/ipc/UnixListener.h"
#include "platform/registry/PlatformNameSource.h"
#include "platform/smc/BuiltInImage.h"
#include "platform/smc/SimulatedSmc.h"
#include "sensor-service/server/DecisionAgent.h"
#include "sensor-service/smc/Smc.h"

namespace {

using Socket = asio::local::stream_protocol::socket;

const std::vector<uint8_t> kRequestFrame = vrl::client::getModelDataRequestFrame();
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

// The service as vrlsensord assembles it, on the built-in Mac, with its model
// data replaced by one of the wanted size.
void runService(const std::filesystem::path& path, int entries) {
    auto smc = std::make_shared<platform::smc::SimulatedSmc>(platform::smc::builtInImage());
    vrl::Smc smcObject(smc);
    asio::io_context io;
    std::string error;
    auto listener = platform::ipc::UnixListener::bindTo(io, path, error);
    if (!listener) _exit(1);
    platform::registry::FixedPlatformName name(smc->model());
    const platform::foundation::Bundle bundle = platform::foundation::Bundle::mainBundle();
    vrl::DecisionAgent agent({io, smcObject, name, bundle, {}});
    agent.startServer();
    agent.serverObject().setModelData(modelOfSize(entries));
    agent.resume(*listener);
    asio::signal_set signals(io, SIGTERM);
    signals.async_wait([&io](std::error_code, int) { io.stop(); });
    io.run();
}

// The floor: reads a frame, answers with a fixed frame of replySize bytes.
class PingPong : public std::enable_shared_from_this<PingPong> {
public:
    PingPong(Socket socket, const std::vector<uint8_t>& reply) : socket_(std::move(socket)), reply_(reply) {}
    void readHeader() {
        asio::async_read(socket_, asio::buffer(header_), [self = shared_from_this()](std::error_code ec, std::size_t) {
            if (!ec) self->readPayload();
        });
    }

private:
    void readPayload() {
        payload_.resize((std::size_t{header_[0]} << 24) | (std::size_t{header_[1]} << 16) |
                        (std::size_t{header_[2]} << 8) | header_[3]);
        asio::async_read(socket_, asio::buffer(payload_), [self = shared_from_this()](std::error_code ec, std::size_t) {
            if (!ec) self->writeReply();
        });
    }
    void writeReply() {
        asio::async_write(socket_, asio::buffer(reply_), [self = shared_from_this()](std::error_code ec, std::size_t) {
            if (!ec) self->readHeader();
        });
    }

    Socket socket_;
    const std::vector<uint8_t>& reply_;
    uint8_t header_[4] = {};
    std::vector<uint8_t> payload_;
};

void acceptPingPongs(asio::local::stream_protocol::acceptor& acceptor, const std::vector<uint8_t>& reply) {
    acceptor.async_accept([&acceptor, &reply](std::error_code ec, Socket socket) {
        if (ec) return;
        std::make_shared<PingPong>(std::move(socket), reply)->readHeader();
        acceptPingPongs(acceptor, reply);
    });
}

void runPingPong(const std::filesystem::path& path, std::size_t replySize) {
    std::vector<uint8_t> reply(4 + replySize, 0x5a);
    for (int i = 0; i < 4; ++i) reply[i] = static_cast<uint8_t>(replySize >> (24 - 8 * i));
    asio::io_context io;
    asio::local::stream_protocol::acceptor acceptor(io, asio::local::stream_protocol::endpoint(path.string()));
    acceptPingPongs(acceptor, reply);
    asio::signal_set signals(io, SIGTERM);
    signals.async_wait([&io](std::error_code, int) { io.stop(); });
    io.run();
}

class ChildProcess {
public:
    explicit ChildProcess(const std::function<void()>& run) : pid_(fork()) {
        if (pid_ != 0) return;
        run();
        _exit(0);
    }
    ~ChildProcess() {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

private:
    pid_t pid_;
};

int connectTo(const std::filesystem::path& path) {
    for (int attempt = 0; attempt < 500; ++attempt) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) return fd;
        ::close(fd);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
}

bool readExactly(int fd, uint8_t* data, std::size_t size) {
    for (std::size_t got = 0; got < size;) {
        const ssize_t n = ::recv(fd, data + got, size - got, 0);
        if (n <= 0) return false;
        got += static_cast<std::size_t>(n);
    }
    return true;
}

// One request frame out, one reply frame back; the reply's size, 0 on failure.
std::size_t roundTrip(int fd, std::vector<uint8_t>& buffer) {
    const auto sent = ::send(fd, kRequestFrame.data(), kRequestFrame.size(), MSG_NOSIGNAL);
    if (sent != static_cast<ssize_t>(kRequestFrame.size())) return 0;
    uint8_t header[4];
    if (!readExactly(fd, header, 4)) return 0;
    const std::size_t length = (std::size_t{header[0]} << 24) | (std::size_t{header[1]} << 16) |
                               (std::size_t{header[2]} << 8) | header[3];
    buffer.resize(length);
    return readExactly(fd, buffer.data(), length) ? length : 0;
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
        floor = std::make_unique<ChildProcess>([&] { runPingPong(floorPath, replyBytes); });
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
    bool ready() const { return std::find(fds.begin(), fds.end(), -1) == fds.end(); }
    std::vector<int> fds;
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
    bench::sideBySide(
        state, [&] { failed |= roundTrip(toFloor.fds[0], buffer) == 0; },
        [&] { failed |= roundTrip(toService.fds[0], buffer) == 0; });
    if (failed) state.SkipWithError("a round trip failed");
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
    bench::sideBySide(state, [&] { ok &= runClients(toFloor.fds); }, [&] { ok &= runClients(toService.fds); });
    if (!ok) state.SkipWithError("a round trip failed");
    const double requests = kClients * kRequestsPerClient;
    const double floorRate = requests / (state.counters["floor_us"] * 1e-6);
    const double subjectRate = requests / (state.counters["subject_us"] * 1e-6);
    state.counters["floor_rps"] = floorRate;
    state.counters["subject_rps"] = subjectRate;
    state.counters["rps_ratio"] = subjectRate / floorRate;
    state.counters["reply_bytes"] = static_cast<double>(servers.replyBytes);
}
BENCHMARK(BM_RequestsPerSecond8Clients)->UseRealTime()->Unit(benchmark::kMillisecond);

// What the main application pays: request, reply and decoding to model data.
void BM_RequestDecoded(benchmark::State& state) {
    Servers servers(150);
    vrl::client::SensorClient client(servers.servicePath);
    for (auto _ : state) {
        if (!client.getModelData().modelData) {
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
