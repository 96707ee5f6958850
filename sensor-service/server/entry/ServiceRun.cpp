#include "sensor-service/server/entry/ServiceRun.h"

#include "sensor-service/server/entry/DecisionAgent.h"

namespace vrl {

void runService(asio::io_context& io, asio::signal_set& stopSignals, const SensorMachine& machine,
                platform::ipc::UnixListener& listener, const std::function<void()>& serving,
                const std::function<void(VRLServerObject&)>& beforeServing) {
    DecisionAgent agent(io, machine);
    agent.startServer();
    if (beforeServing) agent.smcThread().runWithServerObject(beforeServing);
    agent.resume(listener);
    serving();
    stopSignals.async_wait([&io, &agent](std::error_code, int) {
        agent.stop();
        io.stop();
    });
    io.run();
}

}  // namespace vrl
