// SMC faults while vrlsensord runs, driven by rewriting its simulated image:
// failing entries read -1 (temperatures) or 0 (fans) and recover, the set of
// entries never changes, and every request is answered throughout.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "tests/support/ServiceProcess.h"
#include "tests/support/ServiceWire.h"
#include "tests/support/TemporaryDirectory.h"

namespace fs = std::filesystem;
using namespace vrl::test;
using std::chrono::milliseconds;
using std::chrono::seconds;

namespace {

std::string keyLine(const char* key, const char* type, const char* bytes, const char* fail = nullptr) {
    std::string line = std::string(R"({"key":")") + key + R"(","type":")" + type + R"(","bytes":")" + bytes + "\"";
    if (fail) line += std::string(R"(,"fail":")") + fail + "\"";
    return line + "}";
}

struct ImageKeys {
    std::vector<std::string> lines;
    bool unavailable = false;
};

ImageKeys healthyImage() {
    return {{keyLine("TC0P", "sp78", "2f80"), keyLine("TA0P", "sp78", "2a40"), keyLine("TW0P", "sp78", "3300"),
             keyLine("TG0D", "sp78", "3480"), keyLine("F0ID", "ch8*", "4c656674"), keyLine("F0Ac", "fpe2", "1f40"),
             keyLine("F0Mn", "fpe2", "1f40"), keyLine("F0Mx", "fpe2", "5dc0"), keyLine("F1ID", "ch8*", "5269676874"),
             keyLine("F1Ac", "fpe2", "1770"), keyLine("F1Mn", "fpe2", "1770"), keyLine("F1Mx", "fpe2", "5dc0")},
            false};
}

// Every fault at once: after discovery a fan's information call fails, reads
// fail, a key goes away; TW0P changes so the step's refresh is visible.
ImageKeys faultyImage() {
    return {{keyLine("TC0P", "sp78", "2f80"), keyLine("TA0P", "sp78", "2a40", "read"),
             keyLine("TW0P", "sp78", "3400"), keyLine("F0ID", "ch8*", "4c656674"),
             keyLine("F0Ac", "fpe2", "1f40", "read"), keyLine("F0Mn", "fpe2", "1f40"), keyLine("F0Mx", "fpe2", "5dc0"),
             keyLine("F1ID", "ch8*", "5269676874"), keyLine("F1Ac", "fpe2", "1770", "info"),
             keyLine("F1Mn", "fpe2", "1770"), keyLine("F1Mx", "fpe2", "5dc0")},
            false};
}

class SmcFaults : public ::testing::Test {
protected:
    void SetUp() override {
        image_ = work_ / "image.json";
        socket_ = (work_ / "vrlsensord.sock").string();
        writeImage(healthyImage());
        service_ = std::make_unique<ServiceProcess>(
            std::vector<std::string>{VRL_SENSORD_PATH, "--socket", socket_, "--smc-image", image_.string()});
        ASSERT_TRUE(service_->waitUntilServing(socket_, seconds(15)));
    }

    void TearDown() override {
        service_.reset();
    }

    // Replaced in one rename, so the service never reads half a file.
    void writeImage(const ImageKeys& keys) {
        std::string text = R"({"model":"MacBookPro11,1","unavailable":)" + std::string(keys.unavailable ? "true" : "false") +
                           R"(,"keys":[)";
        for (std::size_t i = 0; i < keys.lines.size(); ++i) text += (i ? ",\n" : "\n") + keys.lines[i];
        text += "]}\n";
        fs::path next = work_ / "image.next";
        std::ofstream(next) << text;
        fs::rename(next, image_);
    }

    // Polls until the model satisfies the check; the last model seen.
    WireModel waitForModel(const std::function<bool(const WireModel&)>& check, seconds timeout) {
        auto deadline = Clock::now() + timeout;
        WireModel last;
        while (Clock::now() < deadline) {
            if (auto model = fetchModel(socket_, milliseconds(2000))) {
                last = *model;
                if (check(last)) break;
            }
            std::this_thread::sleep_for(milliseconds(100));
        }
        return last;
    }

    const vrl::test::TemporaryDirectory scratch_{"vrl-faults"};
    const fs::path work_ = scratch_.path();
    fs::path image_;
    std::string socket_;
    std::unique_ptr<ServiceProcess> service_;
};

std::vector<std::string> keysOf(const WireModel& model) {
    std::vector<std::string> keys;
    for (const auto& [key, entry] : model) keys.push_back(key);
    return keys;
}

bool allFailing(const WireModel& model) {
    for (const auto& [key, entry] : model) {
        double failed = entry.type == "fans" ? 0.0 : -1.0;
        if (entry.value != failed) return false;
    }
    return !model.empty();
}

// Everything but "value" stays as discovery made it.
void expectSameEntries(const WireModel& baseline, const WireModel& model) {
    ASSERT_EQ(keysOf(baseline), keysOf(model));
    for (const auto& [key, entry] : baseline) {
        const WireEntry& now = model.at(key);
        EXPECT_EQ(entry.title, now.title) << key;
        EXPECT_EQ(entry.unit, now.unit) << key;
        EXPECT_EQ(entry.type, now.type) << key;
        EXPECT_EQ(entry.minvalue, now.minvalue) << key;
        EXPECT_EQ(entry.maxvalue, now.maxvalue) << key;
    }
}

TEST_F(SmcFaults, FailingKeysAndAnUnavailableSmcReadAsSubstitutesAndRecover) {
    // One client asks without pause through all steps; none may go unanswered.
    std::atomic<bool> stop{false};
    std::atomic<long> answered{0}, unanswered{0};
    std::thread requester([&] {
        int fd = connectTo(socket_);
        const Bytes& request = platform::ipc::getModelDataRequestFrame();
        while (!stop) {
            std::optional<Bytes> reply;
            if (sendAll(fd, request, milliseconds(2000))) reply = readFrame(fd, milliseconds(2000));
            if (reply && decodeReply(*reply)) ++answered;
            else {
                ++unanswered;
                closeFd(fd);
                fd = connectTo(socket_);
            }
            std::this_thread::sleep_for(milliseconds(20));
        }
        closeFd(fd);
    });

    auto baseline = fetchModel(socket_, seconds(2));
    ASSERT_TRUE(baseline);
    ASSERT_EQ(keysOf(*baseline), (std::vector<std::string>{"F0Ac", "F1Ac", "TA0P", "TC0P", "TG0D", "TW0P"}));
    EXPECT_EQ(baseline->at("TC0P").value, 47.5);
    EXPECT_EQ(baseline->at("F1Ac").value, 1500.0);

    writeImage(faultyImage());
    auto faulty = waitForModel([](const WireModel& m) { return m.count("TW0P") && m.at("TW0P").value == 52.0; },
                               seconds(12));
    expectSameEntries(*baseline, faulty);
    ASSERT_EQ(faulty.at("TW0P").value, 52.0) << "the changed image was never read";
    EXPECT_EQ(faulty.at("TC0P").value, 47.5);
    EXPECT_EQ(faulty.at("TA0P").value, -1.0);
    EXPECT_EQ(faulty.at("TG0D").value, -1.0);
    EXPECT_EQ(faulty.at("F0Ac").value, 0.0);
    EXPECT_EQ(faulty.at("F1Ac").value, 0.0);

    ImageKeys unavailable = healthyImage();
    unavailable.unavailable = true;
    writeImage(unavailable);
    auto down = waitForModel(allFailing, seconds(12));
    ASSERT_TRUE(allFailing(down));
    // A refresh later it still fails, and still with every entry in place.
    std::this_thread::sleep_for(milliseconds(5500));
    auto stillDown = fetchModel(socket_, seconds(2));
    ASSERT_TRUE(stillDown);
    EXPECT_TRUE(allFailing(*stillDown));
    expectSameEntries(*baseline, *stillDown);

    writeImage(healthyImage());
    auto restored = waitForModel([&](const WireModel& m) { return m == *baseline; }, seconds(12));
    EXPECT_EQ(restored, *baseline);

    stop = true;
    requester.join();
    EXPECT_GT(answered, 100);
    EXPECT_EQ(unanswered, 0);
    EXPECT_TRUE(service_->alive());
}

// Temperatures are read through the key-info cache, filled by the first
// refresh: once cached, a failing information call costs nothing, and only the
// read-bytes call decides the value.
TEST_F(SmcFaults, ACachedTemperatureKeyStaysReadableWhenOnlyItsInformationCallFails) {
    ImageKeys image = healthyImage();
    image.lines[0] = keyLine("TC0P", "sp78", "2f80", "info");
    image.lines[2] = keyLine("TW0P", "sp78", "3400");
    writeImage(image);
    auto model = waitForModel([](const WireModel& m) { return m.count("TW0P") && m.at("TW0P").value == 52.0; },
                              seconds(12));
    ASSERT_EQ(model.at("TW0P").value, 52.0) << "the changed image was never read";
    EXPECT_EQ(model.at("TC0P").value, 47.5);
}

}  // namespace
