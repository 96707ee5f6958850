#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/smc/AppleSmcDriver.h"
#include "sensor-service/smc/KeyAccess.h"
#include "sensor-service/smc/SmcHelper.h"
#include "tests/smc/SmcTestSupport.h"

namespace vrl::test {
namespace {

namespace fs = std::filesystem;
using platform::smc::AppleSmcDriver;

struct FakeKey {
    std::string name;
    std::string type;
    std::string data;
};

// An attribute directory that behaves like the applesmc driver: writing an
// index to key_at_index selects the key whose key_at_index_* attributes are
// then read. Text attributes end with a newline, as the kernel writes them.
class FakeAppleSmcDirectory : public platform::smc::SysfsAttributes {
public:
    FakeAppleSmcDirectory(const fs::path& dir, std::vector<FakeKey> keys)
        : SysfsAttributes(dir), keys_(std::move(keys)) {
        fs::create_directories(dir);
        put("key_count", std::to_string(keys_.size()) + "\n");
        put("key_at_index", "0\n");
    }

    bool write(const std::string& name, const std::string& text) override {
        if (!SysfsAttributes::write(name, text)) return false;
        if (name == "key_at_index") selectKey(std::stoul(text));
        ++writes;
        return true;
    }

    void put(const std::string& name, const std::string& content) {
        std::ofstream(directory() / name, std::ios::binary | std::ios::trunc) << content;
    }

    int writes = 0;

private:
    void selectKey(size_t index) {
        for (const char* name : {"key_at_index_name", "key_at_index_type", "key_at_index_data_length",
                                 "key_at_index_data"})
            fs::remove(directory() / name);
        if (index >= keys_.size()) return;  // the driver refuses to show an unknown index
        const FakeKey& key = keys_[index];
        put("key_at_index_name", key.name + "\n");
        put("key_at_index_type", key.type + "\n");
        put("key_at_index_data_length", std::to_string(key.data.size()) + "\n");
        put("key_at_index_data", key.data);
    }

    std::vector<FakeKey> keys_;
};

class AppleSmcDriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("applesmc-" + std::to_string(::getpid()) + "-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        attributes = std::make_shared<FakeAppleSmcDirectory>(
            dir, std::vector<FakeKey>{{"#KEY", "ui32", std::string("\0\0\0\4", 4)},
                                      {"F0Ac", "fpe2", "\x1f\x40"},
                                      {"FNum", "ui8 ", "\x01"},
                                      {"TC0P", "sp78", "\x2f\x80"}});
        driver = std::make_shared<AppleSmcDriver>(attributes);
        smc = std::make_unique<Smc>(driver);
    }
    void TearDown() override { fs::remove_all(dir); }

    fs::path dir;
    std::shared_ptr<FakeAppleSmcDirectory> attributes;
    std::shared_ptr<AppleSmcDriver> driver;
    std::unique_ptr<Smc> smc;
};

TEST_F(AppleSmcDriverTest, AnswersKeyAccessFromTheAttributes) {
    ASSERT_EQ(smc->smcOpen(), 0);
    EXPECT_EQ(getSmcKeysFromConnection(*smc), (std::vector<std::string>{"#KEY", "F0Ac", "FNum", "TC0P"}));
    EXPECT_DOUBLE_EQ(smc->smcGetTemperature("TC0P"), 47.5);
    EXPECT_EQ(valueForKey(*smc, "F0Ac"), "2000.00");
    SmcValue value{};
    ASSERT_EQ(smc->smcReadKeyUncached("FNum", value), 0);
    EXPECT_STREQ(value.dataType, "ui8 ");  // the trailing blank survives the line end
    EXPECT_EQ(value.dataSize, 1u);
    auto fans = SmcHelper::readNumericKey(*smc, "FNum");
    ASSERT_TRUE(std::holds_alternative<uint64_t>(fans));
    EXPECT_EQ(std::get<uint64_t>(fans), 1u);
    EXPECT_NE(smc->smcReadKey("NONE", value), 0);
    EXPECT_EQ(smc->smcClose(), 0);
    EXPECT_NE(smc->smcReadKeyUncached("FNum", value), 0);
}

TEST_F(AppleSmcDriverTest, FailuresAreStatusesNotCrashes) {
    ASSERT_EQ(smc->smcOpen(), 0);
    platform::smc::SmcKeyData in{};
    platform::smc::SmcKeyData out{};
    in.command = platform::smc::kSmcCmdReadIndex;
    in.index = 4;
    EXPECT_NE(smc->smcCall(platform::smc::kSmcSelector, in, out), 0);
    attributes->put("key_count", "7\n");  // the table is built at open
    in.index = 5;
    EXPECT_NE(smc->smcCall(platform::smc::kSmcSelector, in, out), 0);
    fs::remove_all(dir);  // the device went away while open
    SmcValue value{};
    EXPECT_NE(smc->smcReadKeyUncached("TC0P", value), 0);
    EXPECT_NE(smc->smcCall(platform::smc::kSmcSelector, in, out), 0);
}

TEST_F(AppleSmcDriverTest, OpenFailsCleanlyWithoutAUsableDirectory) {
    AppleSmcDriver missing(dir / "absent");
    uint32_t handle = 0;
    EXPECT_NE(missing.open(handle), 0);
    attributes->put("key_count", "many\n");
    EXPECT_EQ(smc->smcOpen(), 1);
    attributes->put("key_count", "4\n");
    if (::geteuid() != 0) {  // root may write anything
        fs::permissions(dir / "key_at_index", fs::perms::owner_read);
        EXPECT_EQ(smc->smcOpen(), 1);
        fs::permissions(dir / "key_at_index", fs::perms::owner_read | fs::perms::owner_write);
    }
    EXPECT_EQ(smc->smcOpen(), 0);
}

}  // namespace
}  // namespace vrl::test
