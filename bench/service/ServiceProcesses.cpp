#include "bench/service/ServiceProcesses.h"

#include <sched.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <thread>

#include <asio/io_context.hpp>
#include <asio/signal_set.hpp>

#include "platform/foundation/Bundle.h"
#include "platform/ipc/UnixListener.h"
#include "platform/ipc/WireProtocol.h"
#include "platform/registry/PlatformNameSource.h"
#include "sensor-service/server/entry/DecisionAgent.h"

namespace bench {
namespace {

bool readExactly(int fd, uint8_t* data, std::size_t size) {
    for (std::size_t got = 0; got < size;) {
        const ssize_t n = ::recv(fd, data + got, size - got, 0);
        if (n <= 0) return false;
        got += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

void runServiceUntilTerminated(const std::filesystem::path& socket, std::unique_ptr<platform::smc::SmcDriver> driver,
                               const std::string& model, const std::function<void(vrl::VRLServerObject&)>& prepare) {
    asio::io_context io;
    std::string error;
    auto listener = platform::ipc::UnixListener::bindTo(io, socket, error);
    if (!listener) _exit(1);
    const vrl::SensorMachine machine(std::move(driver), std::make_unique<platform::registry::FixedPlatformName>(model),
                                     platform::foundation::Bundle::mainBundle());
    vrl::DecisionAgent agent(io, machine);
    agent.startServer();
    agent.smcThread().runWithServerObject(prepare);
    agent.resume(*listener);
    asio::signal_set signals(io, SIGTERM);
    signals.async_wait([&io, &agent](std::error_code, int) {
        agent.stop();
        io.stop();
    });
    io.run();
}

void keepOffOurCpu(pid_t pid) {
    cpu_set_t others;
    sched_getaffinity(0, sizeof others, &others);
    cpu_set_t all;
    CPU_ZERO(&all);
    for (int cpu = 0; cpu < CPU_SETSIZE && cpu < static_cast<int>(std::thread::hardware_concurrency()); ++cpu) {
        if (!CPU_ISSET(cpu, &others)) CPU_SET(cpu, &all);
    }
    if (CPU_COUNT(&all) == 0) return;  // one CPU: nowhere else to go
    std::error_code ec;
    for (const auto& task : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec)) {
        sched_setaffinity(std::stoi(task.path().filename().string()), sizeof all, &all);
    }
}

std::size_t roundTrip(int fd, std::vector<uint8_t>& buffer) {
    const platform::ipc::Frame& request = platform::ipc::getModelDataRequestFrame();
    const auto sent = ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    if (sent != static_cast<ssize_t>(request.size())) return 0;
    uint8_t header[platform::ipc::kFrameHeaderBytes];
    if (!readExactly(fd, header, sizeof header)) return 0;
    buffer.resize(platform::ipc::announcedLength(header));
    return readExactly(fd, buffer.data(), buffer.size()) ? buffer.size() : 0;
}

}  // namespace bench
