// Round trips to the real vrlsensord (on the built-in demo Mac) beside the
// floor: a single-threaded Unix-socket echo server that answers every frame
// with a reply of the same size. Set VRL_BENCH_CPU=N to pin this process and
// the service it starts to CPU N. This binary lives in a bundle that the
// service's gate admits.
#include <sched.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <thread>

#include <asio/io_context.hpp>
#include <asio/local/stream_protocol.hpp>
#include <asio/read.hpp>
#include <asio/write.hpp>
#include <benchmark/benchmark.h>

#include "client/SensorClient.h"

namespace {

const std::vector<uint8_t> kRequestFrame = vrl::client::getModelDataRequestFrame();

int connectTo(const std::filesystem::path& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool readExactly(int fd, uint8_t* data, std::size_t size) {
    for (std::size_t got = 0; got < size;) {
        const ssize_t n = ::recv(fd, data + got, size - got, 0);
        if (n <= 0) return false;
        got += static_cast<std::size_t>(n);
    }
    return true;
}

// One request frame out, one reply frame back; the reply's size.
std::size_t roundTrip(int fd, std::vector<uint8_t>& buffer) {
    if (::send(fd, kRequestFrame.data(), kRequestFrame.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(kRequestFrame.size())) return 0;
    uint8_t header[4];
    if (!readExactly(fd, header, 4)) return 0;
    const std::size_t length = (std::size_t{header[0]} << 24) | (std::size_t{header[1]} << 16) |
                               (std::size_t{header[2]} << 8) | header[3];
    buffer.resize(length);
    return readExactly(fd, buffer.data(), length) ? length : 0;
}

class EchoServer {
public:
    EchoServer(std::filesystem::path path, std::size_t replySize)
        : acceptor_(io_, asio::local::stream_protocol::endpoint(path.string())) {
        reply_.assign(4 + replySize, 0x5a);
        for (int i = 0; i < 4; ++i) reply_[i] = static_cast<uint8_t>(replySize >> (24 - 8 * i));
        accept();
        thread_ = std::thread([this] { io_.run(); });
    }
    ~EchoServer() {
        io_.stop();
        thread_.join();
    }

private:
    struct Session : std::enable_shared_from_this<Session> {
        explicit Session(asio::local::stream_protocol::socket s, const std::vector<uint8_t>& r) : socket(std::move(s)), reply(r) {}
        void readHeader() {
            asio::async_read(socket, asio::buffer(header), [self = shared_from_this()](std::error_code ec, std::size_t) {
                if (ec) return;
                self->payload.resize((std::size_t{self->header[0]} << 24) | (std::size_t{self->header[1]} << 16) |
                                     (std::size_t{self->header[2]} << 8) | self->header[3]);
                asio::async_read(self->socket, asio::buffer(self->payload), [self](std::error_code ec2, std::size_t) {
                    if (ec2) return;
                    asio::async_write(self->socket, asio::buffer(self->reply), [self](std::error_code ec3, std::size_t) {
                        if (!ec3) self->readHeader();
                    });
                });
            });
        }
        asio::local::stream_protocol::socket socket;
        const std::vector<uint8_t>& reply;
        uint8_t header[4] = {};
        std::vector<uint8_t> payload;
    };

    void accept() {
        acceptor_.async_accept([this](std::error_code ec, asio::local::stream_protocol::socket socket) {
            if (ec) return;
            std::make_shared<Session>(std::move(socket), reply_)->readHeader();
            accept();
        });
    }

    asio::io_context io_;
    asio::local::stream_protocol::acceptor acceptor_;
    std::vector<uint8_t> reply_;
    std::thread thread_;
};

struct Fixture {
    std::filesystem::path dir;
    std::filesystem::path serviceSocket;
    std::filesystem::path echoSocket;
    pid_t service = -1;
    std::size_t replySize = 0;
    std::unique_ptr<EchoServer> echo;

    Fixture() {
        dir = std::filesystem::temp_directory_path() / ("vrl-bench-" + std::to_string(getpid()));
        std::filesystem::create_directories(dir);
        serviceSocket = dir / "service.sock";
        echoSocket = dir / "echo.sock";
        service = fork();
        if (service == 0) {
            execl(VRLSENSORD_PATH, VRLSENSORD_PATH, "--smc-demo", "--socket", serviceSocket.c_str(), nullptr);
            _exit(127);
        }
        int fd = -1;
        for (int i = 0; i < 500 && fd < 0; ++i) {
            fd = connectTo(serviceSocket);
            if (fd < 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        std::vector<uint8_t> buffer;
        if (fd >= 0) replySize = roundTrip(fd, buffer);
        ::close(fd);
        echo = std::make_unique<EchoServer>(echoSocket, replySize);
    }
    ~Fixture() {
        echo.reset();
        kill(service, SIGTERM);
        waitpid(service, nullptr, 0);
        std::filesystem::remove_all(dir);
    }
};

Fixture* fixture = nullptr;

void measure(benchmark::State& state, const std::filesystem::path& socket) {
    const int fd = connectTo(socket);
    std::vector<uint8_t> buffer;
    if (fd < 0 || fixture->replySize == 0) {
        state.SkipWithError("no server");
        if (fd >= 0) ::close(fd);
        return;
    }
    for (auto _ : state) {
        if (roundTrip(fd, buffer) == 0) {
            state.SkipWithError("round trip failed (refused? run from the bundle)");
            break;
        }
    }
    ::close(fd);
    state.SetItemsProcessed(state.iterations());
    state.counters["reply_bytes"] = benchmark::Counter(static_cast<double>(fixture->replySize), benchmark::Counter::kAvgThreads);
}

void BM_ServiceRequest(benchmark::State& state) { measure(state, fixture->serviceSocket); }
void BM_EchoFloor(benchmark::State& state) { measure(state, fixture->echoSocket); }

// What the main application pays: request, reply and decoding to model data.
void BM_ServiceRequestDecoded(benchmark::State& state) {
    vrl::client::SensorClient client(fixture->serviceSocket);
    for (auto _ : state) {
        if (!client.getModelData().modelData) {
            state.SkipWithError("request failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_ServiceRequest)->Threads(1)->Threads(8)->Threads(64)->UseRealTime();
BENCHMARK(BM_EchoFloor)->Threads(1)->Threads(8)->Threads(64)->UseRealTime();
BENCHMARK(BM_ServiceRequestDecoded)->UseRealTime();

void pinFromEnvironment() {
    const char* cpu = std::getenv("VRL_BENCH_CPU");
    if (cpu == nullptr) return;
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(std::atoi(cpu), &set);
    sched_setaffinity(0, sizeof set, &set);  // the service inherits it across fork
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    pinFromEnvironment();
    Fixture shared;
    fixture = &shared;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
