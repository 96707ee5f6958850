// The serving side in one process: how a connection cuts frames out of what
// arrives, and that requests are answered from the published reply while the
// SMC thread is stuck inside a refresh.
#include <sys/socket.h>

#include <condition_variable>
#include <mutex>
#include <string_view>
#include <thread>

#include <asio/executor_work_guard.hpp>
#include <gtest/gtest.h>

#include "platform/smc/BuiltInImage.h"
#include "platform/smc/SimulatedSmc.h"
#include "sensor-service/server/transport/Connection.h"
#include "sensor-service/server/transport/ConnectionManager.h"
#include "sensor-service/server/entry/DecisionAgent.h"
#include "sensor-service/server/protocol/Protocol.h"
#include "sensor-service/server/protocol/RequestHandler.h"
#include "sensor-service/server/polling/VRLServerObject.h"

namespace vrl {
namespace {

using platform::ipc::Frame;
using platform::ipc::SharedFrame;

SharedFrame share(Frame frame) { return std::make_shared<const Frame>(std::move(frame)); }

// A serving loop on its own thread, with a connection over one end of a
// socket pair; the test talks through the other end.
class ServedSocketPair {
public:
    explicit ServedSocketPair(const RequestHandler& handler) {
        int fds[2];
        EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
        client_ = fds[0];
        timeval timeout{5, 0};
        setsockopt(client_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        Connection::Socket served(io_, asio::local::stream_protocol(), fds[1]);
        manager_.start(std::make_shared<Connection>(std::move(served), manager_, handler));
        thread_ = std::thread([this] { io_.run(); });
    }
    ~ServedSocketPair() {
        asio::post(io_, [this] {
            manager_.stopAll();
            work_.reset();
        });
        thread_.join();
        ::close(client_);
    }
    void send(const Frame& bytes) const { ASSERT_EQ(::send(client_, bytes.data(), bytes.size(), 0), ssize_t(bytes.size())); }
    // The next whole frame, or empty when the service closed the connection.
    Frame receiveFrame() const {
        Frame header(4);
        if (!receive(header)) return {};
        Frame frame(4 + platform::ipc::announcedLength(header.data()));
        std::copy(header.begin(), header.end(), frame.begin());
        std::span rest(frame.data() + 4, frame.size() - 4);
        return receive(rest) ? frame : Frame{};
    }

private:
    bool receive(std::span<uint8_t> into) const {
        std::size_t got = 0;
        while (got < into.size()) {
            const ssize_t n = ::recv(client_, into.data() + got, into.size() - got, 0);
            if (n <= 0) return false;
            got += static_cast<std::size_t>(n);
        }
        return true;
    }

    asio::io_context io_;
    asio::executor_work_guard<asio::io_context::executor_type> work_{io_.get_executor()};
    ConnectionManager manager_;
    int client_ = -1;
    std::thread thread_;
};

TEST(Connection, AnswersEveryWholeFrameHowEverTheBytesArrive) {
    const SharedFrame reply = share(platform::ipc::framed(encodeModelDataReply({})));
    const RequestHandler handler;  // answers with empty model data
    ServedSocketPair pair(handler);
    const Frame& request = platform::ipc::getModelDataRequestFrame();

    Frame twoAndAHalf;
    for (int i = 0; i < 2; ++i) twoAndAHalf.insert(twoAndAHalf.end(), request.begin(), request.end());
    twoAndAHalf.insert(twoAndAHalf.end(), request.begin(), request.begin() + 7);
    pair.send(twoAndAHalf);
    EXPECT_EQ(pair.receiveFrame(), *reply);
    EXPECT_EQ(pair.receiveFrame(), *reply);
    pair.send(Frame(request.begin() + 7, request.end()));
    EXPECT_EQ(pair.receiveFrame(), *reply) << "the held back half completes the third request";

    Frame unknown = platform::ipc::framed(Frame{0x81, 0xa6, 'm', 'e', 't', 'h', 'o', 'd', 0xa1, 'x'});
    pair.send(unknown);
    EXPECT_EQ(pair.receiveFrame(), platform::ipc::framed(encodeError("unknown method: x")));
    const std::string_view method = platform::ipc::kMethodGetModelData;
    Frame longForm{0x81, 0xa6, 'm', 'e', 't', 'h', 'o', 'd', 0xd9, uint8_t(method.size())};
    longForm.insert(longForm.end(), method.begin(), method.end());
    pair.send(platform::ipc::framed(longForm));
    EXPECT_EQ(pair.receiveFrame(), *reply) << "the request in another encoding than the client library's";

    pair.send(Frame{0x00, 0x00, 0x10, 0x01});  // one byte over the request limit
    EXPECT_TRUE(pair.receiveFrame().empty()) << "an oversized frame ends the connection";
}

TEST(Connection, RepliesTheSocketCannotTakeAtOnceArriveWholeAndInOrder) {
    // Each more than a Unix socket's send buffer, both together under the
    // unsent-reply cap: the first goes out in part and its rest is queued.
    ModelData many;
    for (int i = 0; i < 5000; ++i) {
        many["T" + std::to_string(i)] = {"Temperature Sensor " + std::to_string(i), 40.0, kUnitCelsius, kTypeTemperature,
                                         {}, {}, false};
    }
    const Frame big = platform::ipc::framed(encodeModelDataReply(many));
    ASSERT_GT(big.size(), 300'000u);
    RequestHandler handler;
    handler.modelDataRefreshed(many);
    ServedSocketPair pair(handler);
    const Frame& request = platform::ipc::getModelDataRequestFrame();
    Frame two = request;
    two.insert(two.end(), request.begin(), request.end());
    pair.send(two);
    EXPECT_EQ(pair.receiveFrame(), big);
    EXPECT_EQ(pair.receiveFrame(), big);
}

// An SMC whose exchanges can be held up, as a slow or hung kernel driver would.
class HeldSmc : public platform::smc::SimulatedSmc {
public:
    HeldSmc() : SimulatedSmc(platform::smc::builtInImage()) {}
    platform::smc::SmcStatus callStructMethod(uint32_t handle, uint32_t selector, const platform::smc::SmcKeyData& in,
                                              platform::smc::SmcKeyData& out) override {
        std::unique_lock lock(mutex_);
        if (holding_) {
            held_ = true;
            changed_.notify_all();
            changed_.wait(lock, [this] { return !holding_; });
        }
        lock.unlock();
        return SimulatedSmc::callStructMethod(handle, selector, in, out);
    }
    void hold() {
        std::lock_guard lock(mutex_);
        holding_ = true;
    }
    void waitUntilHeld() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return held_; });
    }
    void release() {
        std::lock_guard lock(mutex_);
        holding_ = false;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool holding_ = false;
    bool held_ = false;
};

TEST(DecisionAgent, AnswersFromThePublishedReplyWhileTheSmcThreadIsStuck) {
    asio::io_context io;
    auto held = std::make_unique<HeldSmc>();
    HeldSmc* smc = held.get();
    const std::unique_ptr<SensorMachine> machine = SensorMachine::simulated(std::move(held));
    DecisionAgent agent(io, *machine);
    agent.startServer();

    const SharedFrame first = agent.getModelDatawithReply();
    ASSERT_TRUE(first);
    EXPECT_GT(first->size(), 200u) << "the first reply already holds the discovered entries";

    smc->hold();
    std::thread refresh([&agent] { agent.smcThread().runWithServerObject([](VRLServerObject& s) { s.updateModuleFromTimer(); }); });
    smc->waitUntilHeld();
    const SharedFrame during = agent.getModelDatawithReply();
    EXPECT_EQ(during, first) << "answered at once, from the last published reply";
    smc->release();
    refresh.join();

    const SharedFrame after = agent.getModelDatawithReply();
    EXPECT_NE(after, first) << "each refresh publishes a newly encoded reply";
    EXPECT_EQ(*after, *first) << "with the same readings, as the image did not change";
    agent.stop();
}

}  // namespace
}  // namespace vrl
