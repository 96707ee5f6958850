#pragma once
// The service assembled and run: what vrlsensord does once it has its SMC and
// its socket, and what the benchmarks run in their server processes.
#include <functional>

#include <asio/io_context.hpp>
#include <asio/signal_set.hpp>

#include "platform/ipc/UnixListener.h"
#include "sensor-service/machine/SensorMachine.h"
#include "sensor-service/server/polling/VRLServerObject.h"

namespace vrl {

// Runs discovery and the first refresh, admits connections on listener and
// serves on io until one of stopSignals arrives (vrlsensord's are SIGTERM,
// SIGINT and SIGHUP: a service started by hand goes with its terminal); then
// closes every connection, ends the SMC thread and returns. stopSignals must
// be registered before the socket file exists, since whoever sees the file
// may signal at once. beforeServing, when given, runs on the SMC
// thread with the server object before the first connection is admitted (the
// benchmarks shape the model data there); serving runs on this thread once
// connections are admitted. Call on the thread that will serve; io, machine
// and listener must outlive the call.
void runService(asio::io_context& io, asio::signal_set& stopSignals, const SensorMachine& machine,
                platform::ipc::UnixListener& listener,
                const std::function<void()>& serving,
                const std::function<void(VRLServerObject&)>& beforeServing = {});

}  // namespace vrl
