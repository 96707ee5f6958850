#pragma once
// The thread that does all SMC work: it owns the SMC and the one server
// object, which runs discovery, the first refresh and every timed refresh on
// this thread's own loop and hands each refresh's model data straight to the
// sink (the request handler), which encodes it on this thread. No request
// ever waits for it, and it never waits for a request.
#include <functional>
#include <future>
#include <memory>
#include <thread>

#include <asio/executor_work_guard.hpp>
#include <asio/io_context.hpp>

#include "sensor-service/machine/SensorMachine.h"
#include "sensor-service/model/ModelDataSink.h"
#include "sensor-service/smc/Smc.h"

namespace vrl {

class VRLServerObject;

class SmcThread {
public:
    // Requires machine and sink to outlive the thread. Starts nothing.
    SmcThread(const SensorMachine& machine, ModelDataSink& sink);
    ~SmcThread();
    SmcThread(const SmcThread&) = delete;
    SmcThread& operator=(const SmcThread&) = delete;

    // Starts the thread and returns once the server object exists: discovery
    // and the first refresh are done and their model data published. Call once.
    void start();
    // Stops polling, releases the server object on its own thread and joins.
    // Any thread but the SMC thread; a second call does nothing.
    void stop();
    // Runs task on the SMC thread with the server object and waits for it.
    // Requires start(); for tests and tools that drive the server object.
    void runWithServerObject(const std::function<void(VRLServerObject&)>& task);

private:
    void run(std::promise<void>& created);

    const SensorMachine& machine_;
    ModelDataSink& sink_;
    // Everything below belongs to the SMC thread once it runs.
    Smc smc_;
    asio::io_context io_;
    asio::executor_work_guard<asio::io_context::executor_type> work_;
    std::unique_ptr<VRLServerObject> server_;
    std::thread thread_;
};

}  // namespace vrl
