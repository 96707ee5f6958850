#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/smc/BuiltInImage.h"
#include "platform/smc/SimulatedSmc.h"
#include "sensor-service/smc/KeyAccess.h"
#include "tests/smc/SmcTestSupport.h"

namespace vrl::test {
namespace {

using platform::smc::SimulatedSmc;
using platform::smc::SmcImage;
using platform::smc::SmcKeyFailure;

std::string refusal(const std::string& json) {
    const auto image = SmcImage::fromJson(json, "bad.json");
    EXPECT_FALSE(image) << json;
    return image ? std::string() : image.error().message;
}

TEST(SmcImage, ReadsEveryFieldWithItsDefaults) {
    auto image = imageFromJson(R"({ "model": "MacBookPro11,1", "keys": [
        { "key": "TC0P", "type": "sp78", "bytes": "2f 80" },
        { "key": "F0Mx", "type": "fpe2", "bytes": "5DC0", "attributes": 128, "fail": "read" },
        { "key": "XBIG", "type": "ch8*", "bytes": "41", "size": 40, "fail": "info" } ] })");
    EXPECT_EQ(image.model, "MacBookPro11,1");
    EXPECT_FALSE(image.unavailable);
    ASSERT_EQ(image.keys.size(), 3u);
    EXPECT_EQ(image.keys[0].bytes, (std::vector<uint8_t>{0x2F, 0x80}));
    EXPECT_EQ(image.keys[0].size, 2u);
    EXPECT_EQ(image.keys[0].attributes, 0);
    EXPECT_EQ(image.keys[1].attributes, 128);
    EXPECT_EQ(image.keys[1].fail, SmcKeyFailure::read);
    EXPECT_EQ(image.keys[2].size, 40u);
    EXPECT_EQ(image.keys[2].fail, SmcKeyFailure::info);
    EXPECT_FALSE(imageFromJson(R"({"keys":[]})").model);
}

TEST(SmcImage, RefusesMalformedImagesNamingFileAndEntry) {
    EXPECT_NE(refusal("{ not json").find("bad.json"), std::string::npos);
    EXPECT_FALSE(refusal(R"({"model":"x"})").empty());
    std::string error = refusal(R"({"keys":[{"key":"TC0P","type":"sp78","bytes":"00"},
                                            {"key":"TC0","type":"sp78","bytes":"00"}]})");
    EXPECT_NE(error.find("bad.json"), std::string::npos);
    EXPECT_NE(error.find("keys[1]"), std::string::npos);
    EXPECT_NE(error.find("TC0"), std::string::npos);
    refusal(R"({"keys":[{"key":"TC0P","type":"sp7","bytes":"00"}]})");
    refusal(R"({"keys":[{"key":"TC0P","type":"sp78","bytes":"0g"}]})");
    refusal(R"({"keys":[{"key":"TC0P","type":"sp78","bytes":"123"}]})");
    refusal(R"({"keys":[{"key":"TC0P","type":"sp78","bytes":")" + std::string(66, '0') + R"("}]})");
    refusal(R"({"keys":[{"key":"TC0P","type":"sp78","bytes":"00","fail":"write"}]})");
    refusal(R"({"keys":[{"key":"TC0P","type":"sp78","bytes":"00","attributes":256}]})");
    refusal(R"({"keys":[{"key":"TC0P","type":"sp78","bytes":"00","size":-1}]})");
    refusal(R"({"unavailable":"yes","keys":[]})");
    EXPECT_TRUE(SmcImage::fromJson(R"({"keys":[{"key":"TC0P","type":"sp78","bytes":")" + std::string(64, '0') +
                                       R"("}]})",
                                   "ok.json"));
}

// A misspelt field or a second entry for a key would otherwise be dropped
// without a word, and the image would not be what its author reads.
TEST(SmcImage, RefusesUnknownFieldsAndKeysListedTwiceNamingWhere) {
    const std::pair<std::string, std::string> cases[] = {
        {R"({"keys":[{"key":"TC0P","type":"sp78","bytes":"00"},{"key":"TC1C","type":"sp78","byte":"00"}]})",
         R"(bad.json: keys[1] ("TC1C"): unknown field "byte")"},
        {R"({"modle":"Mac","keys":[]})", R"(bad.json: unknown field "modle")"},
        {R"({"keys":[{"key":"TC0P","type":"sp78"},{"key":"TC1C","type":"sp78"},{"key":"TC0P","type":"sp78"}]})",
         R"(bad.json: key "TC0P" listed twice, in keys[0] and keys[2])"},
    };
    for (const auto& [json, message] : cases) EXPECT_TRUE(refusal(json).starts_with(message)) << refusal(json);
}

class SmcImageFile : public ::testing::Test {
protected:
    void SetUp() override {
        directory = std::filesystem::temp_directory_path() / ("smc-files-" + std::to_string(::getpid()));
        std::filesystem::create_directories(directory);
    }
    void TearDown() override { std::filesystem::remove_all(directory); }
    std::filesystem::path directory;
};

// Whatever path the service is given, it answers at once with what is wrong:
// never a hang on a FIFO, never an endless read of a device.
TEST_F(SmcImageFile, ReadsOnlyRegularFilesWithinTheLimitSayingWhyNot) {
    ASSERT_EQ(::mkfifo((directory / "fifo").c_str(), 0600), 0);
    std::ofstream(directory / "huge") << R"({"keys":[)" << std::string(platform::smc::kMaxSmcImageBytes, ' ') << "]}";
    const std::pair<std::filesystem::path, std::string> cases[] = {
        {directory / "fifo", "is a FIFO, not a regular file"},
        {directory, "is a directory, not a regular file"},
        {"/dev/zero", "is a character device, not a regular file"},
        {directory / "huge", "is larger than 4194304 bytes"},
        {directory / "missing", "No such file or directory"},
    };
    for (const auto& [path, phrase] : cases) {
        const auto image = SmcImage::fromFile(path);
        const std::string message = image ? std::string("accepted") : image.error().message;
        EXPECT_NE(message.find(path.string()), std::string::npos) << message;
        EXPECT_NE(message.find(phrase), std::string::npos) << message;
    }
}

TEST(SmcImage, BuiltInImageLoads) {
    SmcImage image = platform::smc::builtInImage();
    EXPECT_EQ(image.model, "MacBookPro11,1");
    EXPECT_GE(image.keys.size(), 30u);
}

class WatchedImageTest : public ::testing::Test {
protected:
    void SetUp() override {
        file = std::filesystem::temp_directory_path() /
               ("smc-image-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".json");
    }
    void TearDown() override { std::filesystem::remove(file); }
    void write(const std::string& text) {
        std::ofstream(file, std::ios::trunc) << text;
        // Make every rewrite visible even within one timestamp tick.
        static auto tick = std::filesystem::file_time_type::clock::now();
        tick += std::chrono::seconds(1);
        std::filesystem::last_write_time(file, tick);
    }
    std::filesystem::path file;
    std::unique_ptr<SimulatedSmc> driver;
};

TEST_F(WatchedImageTest, ReReadsAChangedFileAtOpenAndKeepsTheOldImageWhenTheNewIsBroken) {
    const auto missing = SimulatedSmc::watchingFile(file);
    ASSERT_FALSE(missing);
    EXPECT_NE(missing.error().message.find(file.string()), std::string::npos);

    write(R"({"model":"Mac-1","keys":[{"key":"TC0P","type":"sp78","bytes":"2f80"}]})");
    auto watching = SimulatedSmc::watchingFile(file);
    ASSERT_TRUE(watching) << watching.error().message;
    driver = std::move(*watching);
    Smc access(*driver);
    ASSERT_EQ(access.smcOpen(), 0);
    EXPECT_DOUBLE_EQ(access.smcGetTemperature("TC0P"), 47.5);
    access.smcClose();

    write(R"({"model":"Mac-2","keys":[{"key":"TC0P","type":"sp78","bytes":"3000"},
                                      {"key":"TC1C","type":"sp78","bytes":"3000"}]})");
    EXPECT_EQ(driver->model(), "Mac-1");  // only an open re-reads
    ASSERT_EQ(access.smcOpen(), 0);
    EXPECT_EQ(driver->model(), "Mac-2");
    EXPECT_EQ(getSmcKeysFromConnection(access).size(), 3u);
    access.smcClose();

    // Each refused replacement leaves Mac-2 in use: a malformed entry, a key
    // listed twice, and a FIFO in the file's place (which must not hang).
    const auto replaceWithFifo = [this] {
        std::filesystem::remove(file);
        ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
    };
    const std::function<void()> refused[] = {
        [this] { write(R"({"model":"Mac-3","keys":[{"key":"TOOLONG","type":"sp78","bytes":"00"}]})"); },
        [this] { write(R"({"model":"Mac-3","keys":[{"key":"TC0P","type":"sp78"},{"key":"TC0P","type":"sp78"}]})"); },
        replaceWithFifo,
    };
    for (const auto& replace : refused) {
        replace();
        ASSERT_EQ(access.smcOpen(), 0);
        EXPECT_EQ(driver->model(), "Mac-2");
        EXPECT_EQ(getSmcKeysFromConnection(access).size(), 3u);
        access.smcClose();
    }
    std::filesystem::remove(file);

    write(R"({"unavailable":true,"keys":[]})");
    EXPECT_EQ(access.smcOpen(), 1);
}

TEST(SimulatedSmcDriver, HandlesSelectorsAndUnknownCommands) {
    SimulatedSmc smc(imageFromJson(R"({"keys":[{"key":"TC0P","type":"sp78","bytes":"2f80"}]})"));
    platform::smc::SmcKeyData in{};
    platform::smc::SmcKeyData out{};
    in.command = platform::smc::kSmcCmdReadIndex;
    EXPECT_NE(smc.callStructMethod(1, platform::smc::kSmcSelector, in, out), 0);  // not open
    uint32_t handle = 0;
    ASSERT_EQ(smc.open(handle), 0);
    EXPECT_NE(smc.callStructMethod(handle, 3, in, out), 0);
    in.index = 2;
    EXPECT_NE(smc.callStructMethod(handle, platform::smc::kSmcSelector, in, out), 0);  // past the end
    in.command = 7;
    EXPECT_NE(smc.callStructMethod(handle, platform::smc::kSmcSelector, in, out), 0);
    EXPECT_EQ(smc.callCount(platform::smc::kSmcCmdReadIndex), 3u);
    EXPECT_EQ(smc.totalCalls(), 4u);
    EXPECT_EQ(smc.close(handle), 0);
    EXPECT_NE(smc.close(handle), 0);
}

}  // namespace
}  // namespace vrl::test
