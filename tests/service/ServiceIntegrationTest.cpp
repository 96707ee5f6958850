// Starts the real vrlsensord on a simulated SMC image and talks to it the way
// the main application would. This test binary lives in a bundle whose
// identifier the gate admits.
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "client/SensorClient.h"
#include "platform/ipc/WireProtocol.h"
#include "platform/ipc/ProductIdentifiers.h"
#include "sensor-service/server/gate/RefusalLog.h"
#include "tests/support/ServiceProcess.h"
#include "tests/support/ServiceWire.h"
#include "tests/support/TemporaryDirectory.h"

namespace vrl::test {
namespace {

using client::ClientError;
using client::FetchResult;
using client::SensorClient;

const std::string kTemperatureKey = "TC0P";
const std::string kFanKey = "F0Ac";

nlohmann::json keyJson(const std::string& key, const std::string& type, const std::string& bytes) {
    return {{"key", key}, {"type", type}, {"bytes", bytes}};
}

// A MacBookPro11,1 with one fan at 2000 rpm and CPU proximity at 47.5 C.
nlohmann::json macImage(const std::string& cpuBytes = "2f80", const std::string& fanBytes = "1f40") {
    return {{"model", "MacBookPro11,1"},
            {"unavailable", false},
            {"keys",
             {keyJson("FNum", "ui8 ", "01"), keyJson("F0ID", "ch8*", "4c656674"), keyJson("F0Mn", "fpe2", "1f40"),
              keyJson("F0Mx", "fpe2", "5dc0"), keyJson(kFanKey, "fpe2", fanBytes),
              keyJson(kTemperatureKey, "sp78", cpuBytes), keyJson("TA0P", "sp78", "1a00")}}};
}

double valueOf(const client::ModelData& data, const std::string& key) {
    for (const auto& [name, entry] : data) {
        if (name != key) continue;
        const client::Value* value = client::field(entry, "value");
        if (value == nullptr || !std::holds_alternative<double>(*value)) return -12345;
        return std::get<double>(*value);
    }
    return -99999;
}

class Service : public ::testing::Test {
protected:
    void SetUp() override {
        socket_ = dir_ / "s.sock";
        image_ = dir_ / "image.json";
    }
    void TearDown() override {
        service_.reset();
    }

    void writeImage(const nlohmann::json& image) {
        const std::filesystem::path tmp = dir_ / "image.tmp";
        std::ofstream(tmp) << image.dump();
        std::filesystem::rename(tmp, image_);
    }

    void start(const nlohmann::json& image) {
        writeImage(image);
        service_ = std::make_unique<ServiceProcess>(
            std::vector<std::string>{VRLSENSORD_PATH, "--socket", socket_.string(), "--smc-image", image_.string()},
            dir_ / "service.stderr");
        ASSERT_TRUE(service_->waitForSocket(socket_)) << service_->standardError();
    }

    FetchResult fetch() { return SensorClient(socket_).getModelData(); }

    // Polls until the reading of key equals expected, up to a little more than one refresh period.
    bool waitForValue(const std::string& key, double expected) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(6500);
        while (std::chrono::steady_clock::now() < deadline) {
            const FetchResult result = fetch();
            if (result && valueOf(*result, key) == expected) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
        return false;
    }

    const vrl::test::TemporaryDirectory scratch_{"vrlsensord-test"};
    const std::filesystem::path dir_ = scratch_.path();
    std::filesystem::path socket_, image_;
    std::unique_ptr<ServiceProcess> service_;
};

// A raw connection for what a well-behaved client never sends.
class RawConnection {
public:
    explicit RawConnection(const std::filesystem::path& path) : fd_(connectTo(path)) {}
    ~RawConnection() { closeFd(fd_); }
    bool connected() const { return fd_ >= 0; }
    void send(const std::vector<uint8_t>& bytes) { sendAll(fd_, bytes, std::chrono::seconds(10)); }
    void sendFrame(const std::vector<uint8_t>& payload) { send(platform::ipc::framed(payload)); }
    // True once the service has closed its end (reads drain whatever came first).
    bool closedByPeer(std::chrono::milliseconds limit = std::chrono::seconds(3)) { return waitForClose(fd_, limit); }
    // The next frame's payload; empty on close, error or after 3 s.
    std::vector<uint8_t> readFrame() { return vrl::test::readFrame(fd_, std::chrono::seconds(3)).value_or(Bytes{}); }
    int fd() const { return fd_; }

private:
    int fd_;
};

std::vector<uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

TEST_F(Service, AnswersWithRealReadingsRightAfterStartAndTwiceAlike) {
    start(macImage());
    const FetchResult first = fetch();
    ASSERT_TRUE(first) << first.error().cause.message;
    EXPECT_EQ(valueOf(*first, kTemperatureKey), 47.5);
    EXPECT_EQ(valueOf(*first, kFanKey), 2000.0);  // a double on the wire, though integral
    const FetchResult second = fetch();
    ASSERT_TRUE(second);
    EXPECT_EQ(*first, *second);
    EXPECT_NE(service_->standardError().find("start SMC helper. with listner:" + socket_.string()), std::string::npos);
    EXPECT_NE(service_->standardError().find("SMC: simulated, the image " + image_.string()), std::string::npos)
        << "said, so that its readings are not taken for a real Mac's";
    EXPECT_EQ(service_->stop(), 0);
    EXPECT_FALSE(std::filesystem::exists(socket_)) << "the service removes the socket it created";
}

TEST_F(Service, ChangedAndFailingKeysShowUpAtTheNextRefreshAndRecover) {
    start(macImage());
    nlohmann::json failing = macImage("3100");
    failing["keys"][4]["fail"] = "read";  // the fan's speed
    failing["keys"][5]["bytes"] = "3100";
    writeImage(failing);
    EXPECT_TRUE(waitForValue(kTemperatureKey, 49.0));
    EXPECT_EQ(valueOf(*fetch(), kFanKey), 0.0);

    nlohmann::json noTemperature = macImage();
    noTemperature["keys"].erase(5);
    writeImage(noTemperature);
    EXPECT_TRUE(waitForValue(kTemperatureKey, -1.0));
    EXPECT_EQ(valueOf(*fetch(), kFanKey), 2000.0);

    const std::filesystem::path tmp = dir_ / "broken.tmp";
    std::ofstream(tmp) << R"({"keys": [{"key": "TC0P", "type": "sp78", "bytes": "zz"}]})";
    std::filesystem::rename(tmp, image_);
    std::this_thread::sleep_for(std::chrono::seconds(6));
    EXPECT_EQ(valueOf(*fetch(), kFanKey), 2000.0) << "a broken edit keeps the previous image";
    EXPECT_NE(service_->standardError().find("debug: SMC image edit rejected"), std::string::npos)
        << "and says why at debug priority";
}

TEST_F(Service, UnavailableSmcStillStartsAndAnswersEmpty) {
    start({{"model", "MacBookPro11,1"}, {"unavailable", true}, {"keys", nlohmann::json::array()}});
    const FetchResult result = fetch();
    ASSERT_TRUE(result) << result.error().cause.message;
    EXPECT_TRUE(result->empty());
    EXPECT_NE(service_->standardError().find("start SMC helper. with listner:"), std::string::npos);
}

// Copies vrlsensors into a bundle of its own (or none) and runs it there.
int runClientIn(const std::filesystem::path& dir, const std::string& bundle, const std::string& identifier,
                const std::filesystem::path& socket) {
    std::filesystem::path exeDir = dir;
    std::filesystem::create_directories(dir);
    if (!bundle.empty()) {
        const std::filesystem::path contents = dir / bundle / "Contents";
        std::filesystem::create_directories(contents / "MacOS");
        std::ofstream(contents / "Info.plist")
            << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
               "<key>CFBundleIdentifier</key><string>"
            << identifier << "</string></dict></plist>\n";
        exeDir = contents / "MacOS";
    }
    const std::filesystem::path exe = exeDir / "vrlsensors";
    std::filesystem::copy_file(VRLSENSORS_PATH, exe, std::filesystem::copy_options::overwrite_existing);
    return runProgram({exe.string(), "--socket", socket.string()}).status;
}

TEST_F(Service, GateAdmitsOnlyTheMainApplication) {
    start(macImage());
    const RunResult admitted = runProgram({VRLSENSORS_PATH, "--socket", socket_.string(), "--json"});
    ASSERT_EQ(admitted.status, 0);
    const nlohmann::json json = nlohmann::json::parse(admitted.output);
    EXPECT_TRUE(json.at(kFanKey).at("value").is_number_float());
    EXPECT_EQ(json.at(kTemperatureKey).at("value"), 47.5);

    constexpr int kRefused = 3;
    EXPECT_EQ(runClientIn(dir_ / "other", "Other.app", "com.example.other", socket_), kRefused);
    EXPECT_EQ(runClientIn(dir_ / "case", "Vorrel.app", "com.quenmoor.Vorrel", socket_), kRefused);
    EXPECT_EQ(runClientIn(dir_ / "plain", "", "", socket_), kRefused);
    EXPECT_EQ(runClientIn(dir_ / "same", "Copy.app", platform::ipc::kAdmittedBundleIdentifier, socket_), 0);
    EXPECT_EQ(runProgram({VRLSENSORS_PATH, "--socket", (dir_ / "none.sock").string()}).status, 1);
}

// A program outside any bundle connecting a thousand times: every connection
// refused, yet the log holds only the first few, and the application is
// still served.
TEST_F(Service, AThousandRefusedConnectionsGiveAHandfulOfLogLines) {
    start(macImage());
    for (int peer = 0; peer < 4; ++peer)
        ASSERT_EQ(runProgram({CLIENT_GATE_PEER, socket_.string(), "250"}).status, 0) << "each of its 250 closed";
    ASSERT_TRUE(fetch());
    const std::string log = service_->standardError();
    std::size_t lines = 0;
    for (std::size_t at = log.find('\n'); at != std::string::npos; at = log.find('\n', at + 1)) ++lines;
    const std::size_t refusals = log.find("debug: refused client: pid ");
    ASSERT_NE(refusals, std::string::npos) << log;
    EXPECT_NE(log.find("client_gate_peer", refusals), std::string::npos) << "names the executable";
    EXPECT_LE(lines, 2u + kRefusalLinesPerWindow) << log;
}

TEST_F(Service, BadInputEndsOnlyThatConnection) {
    start(macImage());
    RawConnection good(socket_);
    ASSERT_TRUE(good.connected());

    RawConnection oversized(socket_);
    oversized.send({0x00, 0x00, 0x10, 0x01});
    RawConnection garbage(socket_);
    garbage.sendFrame({0xc1});  // never used in MessagePack
    RawConnection notMap(socket_);
    notMap.sendFrame(bytesOf("\xa3" "abc"));
    EXPECT_TRUE(oversized.closedByPeer());
    EXPECT_TRUE(garbage.closedByPeer());
    EXPECT_TRUE(notMap.closedByPeer());

    good.sendFrame(bytesOf("\x81\xa6method\xa4nope"));
    const std::vector<uint8_t> error = good.readFrame();
    ASSERT_FALSE(error.empty());
    EXPECT_EQ(error[1], 0xa5);  // {"error": ...}
    good.send(platform::ipc::getModelDataRequestFrame());
    const std::vector<uint8_t> reply = good.readFrame();
    ASSERT_GT(reply.size(), 8u);
    EXPECT_EQ(std::string(reply.begin() + 2, reply.begin() + 7), "reply");
}

TEST_F(Service, DropsAClientThatStopsReadingAndCapsConnections) {
    start(macImage());
    RawConnection stalled(socket_);
    int small = 4096;
    setsockopt(stalled.fd(), SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    std::vector<uint8_t> burst;
    const platform::ipc::Frame& request = platform::ipc::getModelDataRequestFrame();
    for (int i = 0; i < 20000; ++i) burst.insert(burst.end(), request.begin(), request.end());
    stalled.send(burst);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_TRUE(stalled.closedByPeer(std::chrono::seconds(10)));

    // One at a time: the gate refuses a user's connections beyond its share of
    // the checks in flight, and a burst of 256 would be one.
    std::vector<std::unique_ptr<RawConnection>> open;
    for (int i = 0; i < 256; ++i) {
        open.push_back(std::make_unique<RawConnection>(socket_));
        open.back()->send(platform::ipc::getModelDataRequestFrame());
        ASSERT_FALSE(open.back()->readFrame().empty()) << "all 256 are served";
    }
    RawConnection beyond(socket_);
    EXPECT_TRUE(beyond.closedByPeer());
    open.pop_back();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_TRUE(fetch()) << "a freed place can be taken again";
}

// The admitted application opening connections in a burst, all before the
// first is decided: the gate lends it the free places beyond its share, so
// the burst is served up to the connection limit, and only what lies beyond
// the limit is refused.
TEST_F(Service, ServesABurstOfOneUserUpToTheConnectionLimit) {
    start(macImage());
    std::vector<std::unique_ptr<RawConnection>> burst;
    for (int i = 0; i < 300; ++i) burst.push_back(std::make_unique<RawConnection>(socket_));
    for (const auto& connection : burst) connection->send(platform::ipc::getModelDataRequestFrame());
    int served = 0;
    for (const auto& connection : burst) served += connection->readFrame().empty() ? 0 : 1;
    EXPECT_EQ(served, 256);
}

TEST(SocketActivation, ServesOnTheSocketSystemdHandsOver) {
    const vrl::test::TemporaryDirectory scratch("vrl-activation");
    const std::filesystem::path& dir = scratch.path();
    const std::filesystem::path socket = dir / "activated.sock";
    {
        ServiceProcess activator({"/usr/bin/systemd-socket-activate", "-l", socket.string(), VRLSENSORD_PATH, "--smc-demo"},
                                 dir / "service.stderr");
        ASSERT_TRUE(activator.waitForSocket(socket));
        const FetchResult result = SensorClient(socket).getModelData();
        ASSERT_TRUE(result) << result.error().cause.message;
        EXPECT_FALSE(result->empty());
        EXPECT_NE(activator.standardError().find("start SMC helper. with listner:" + socket.string()), std::string::npos);
    }
}

}  // namespace
}  // namespace vrl::test
