#pragma once
// The thread that does all SMC work: it owns the one server object, which
// runs discovery, the first refresh and every timed refresh on this thread's
// own loop, and after each refresh it encodes the reply and publishes it. No
// request ever waits for it, and it never waits for a request.
#include <functional>
#include <future>
#include <memory>
#include <thread>

#include <asio/executor_work_guard.hpp>
#include <asio/io_context.hpp>

#include "platform/foundation/Bundle.h"
#include "platform/ipc/WireProtocol.h"
#include "platform/registry/PlatformNameSource.h"
#include "platform/smc/SmcDriver.h"
#include "sensor-service/model/ModelData.h"
#include "sensor-service/smc/Smc.h"

namespace vrl {

class VRLServerObject;

class SmcThread {
public:
    struct Setup {
        std::shared_ptr<platform::smc::SmcDriver> driver;
        const platform::registry::PlatformNameSource& platformName;
        const platform::foundation::Bundle& mainBundle;  // strings table of pattern titles
        // Called on the SMC thread after every refresh with the framed reply.
        std::function<void(platform::ipc::SharedFrame)> publish;
    };

    // Requires platformName and mainBundle to outlive the thread.
    explicit SmcThread(Setup setup);
    ~SmcThread();
    SmcThread(const SmcThread&) = delete;
    SmcThread& operator=(const SmcThread&) = delete;

    // Starts the thread and returns once the server object exists: discovery
    // and the first refresh are done and their reply published. Call once.
    void start();
    // Stops polling, releases the server object on its own thread and joins.
    // Any thread but the SMC thread; a second call does nothing.
    void stop();
    // Runs task on the SMC thread with the server object and waits for it.
    // Requires start(); for tests and tools that drive the server object.
    void runWithServerObject(const std::function<void(VRLServerObject&)>& task);

private:
    void run(std::promise<void>& created);
    void publish(const ModelData& modelData) const;

    Setup setup_;
    Smc smc_;
    asio::io_context io_;
    asio::executor_work_guard<asio::io_context::executor_type> work_;
    std::unique_ptr<VRLServerObject> server_;
    std::thread thread_;
};

}  // namespace vrl
