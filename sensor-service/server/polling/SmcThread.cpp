#include "sensor-service/server/polling/SmcThread.h"

#include <asio/post.hpp>

#include "sensor-service/server/polling/VRLServerObject.h"

namespace vrl {

SmcThread::SmcThread(const SensorMachine& machine, ModelDataSink& sink)
    : machine_(machine), sink_(sink), smc_(machine.smcDriver()), work_(io_.get_executor()) {}

SmcThread::~SmcThread() { stop(); }

void SmcThread::start() {
    std::promise<void> created;
    std::future<void> done = created.get_future();
    thread_ = std::thread([this, &created] { run(created); });
    done.wait();
}

void SmcThread::run(std::promise<void>& created) {
    server_ = std::make_unique<VRLServerObject>(io_, smc_, machine_, sink_);
    created.set_value();
    io_.run();
}

void SmcThread::stop() {
    if (!thread_.joinable()) return;
    asio::post(io_, [this] {
        server_.reset();  // cancels its timer, so the loop runs out of work
        work_.reset();
    });
    thread_.join();
}

void SmcThread::runWithServerObject(const std::function<void(VRLServerObject&)>& task) {
    std::promise<void> finished;
    asio::post(io_, [this, &task, &finished] {
        task(*server_);
        finished.set_value();
    });
    finished.get_future().wait();
}

}  // namespace vrl
