// The applesmc driver against a FUSE file system that behaves as the kernel's
// attribute files do; the file system's counters show what each call cost.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/smc/AppleSmcAttributeFiles.h"
#include "platform/smc/AppleSmcDriver.h"
#include "platform/smc/FourCharCode.h"
#include "platform/smc/SmcStatusCodes.h"
#include "tests/applesmc/FakeAppleSmc.h"

namespace vrl::test {
namespace {

using namespace platform::smc;

// Served in key-code order, "#KEY" first (7 keys): index 4 cannot be
// described, index 5 cannot be read, XBIG is longer than a call record holds.
constexpr const char* kImage = R"({"keys": [
    {"key": "TC0P", "type": "sp78", "bytes": "2f80"},
    {"key": "TC1C", "type": "sp78", "bytes": "3000", "fail": "info"},
    {"key": "TC2C", "type": "sp78", "bytes": "3100", "fail": "read"},
    {"key": "F0Ac", "type": "fpe2", "bytes": "1f40"},
    {"key": "FNum", "type": "ui8 ", "bytes": "01"},
    {"key": "XBIG", "type": "ch8*", "bytes": "41", "size": 40}]})";
constexpr uint32_t kIndexCount = 7;
constexpr uint32_t kUndescribedIndex = 4;

struct Reply {
    SmcStatus status;
    SmcKeyData data;
};

class AppleSmcDriverFuseTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!FakeAppleSmc::fuseAvailable()) GTEST_SKIP() << "no /dev/fuse";
        std::string error;
        fake = FakeAppleSmc::mount(kImage, {}, error);
        ASSERT_TRUE(fake) << error;
        driver.emplace(std::make_unique<AppleSmcAttributeFiles>(fake->device()));
    }

    uint32_t openDriver() {
        uint32_t handle = 0;
        EXPECT_EQ(driver->open(handle), kSmcSuccess);
        return handle;
    }

    Reply call(uint32_t handle, SmcCommand command, std::string_view key, uint32_t index = 0) {
        SmcKeyData input{};
        input.command = command;
        input.key = fourCharCode(key);
        input.index = index;
        Reply reply{};
        reply.status = driver->callStructMethod(handle, kSmcSelector, input, reply.data);
        return reply;
    }

    int counter(const char* name) { return fake->counters()[name].get<int>(); }

    std::unique_ptr<FakeAppleSmc> fake;
    std::optional<AppleSmcDriver> driver;
};

TEST_F(AppleSmcDriverFuseTest, TheKeyTableIsReadOnceAndAnswersInformationAndListing) {
    const uint32_t first = openDriver();
    // One key_count read; per index a selection, then name, type and length,
    // except that the undescribable index fails at its name.
    EXPECT_EQ(counter("opens"), 6);
    EXPECT_EQ(counter("accesses"), 1 + 4 * (kIndexCount - 1) + 2);
    EXPECT_EQ(counter("transactions"), 1 + 2 * kIndexCount);
    ASSERT_TRUE(fake->control("reset"));
    EXPECT_EQ(driver->close(first), kSmcSuccess);
    const uint32_t handle = openDriver();

    const char* listed[] = {"#KEY", "F0Ac", "FNum", "TC0P", nullptr, "TC2C", "XBIG"};
    for (uint32_t index = 0; index <= kIndexCount; ++index) {
        Reply reply = call(handle, kSmcCmdReadIndex, "", index);
        if (index == kUndescribedIndex || index == kIndexCount) {
            EXPECT_EQ(reply.status, kSmcNotFound) << index;
        } else {
            ASSERT_EQ(reply.status, kSmcSuccess) << index;
            EXPECT_EQ(reply.data.key, fourCharCode(listed[index])) << index;
        }
    }
    Reply fans = call(handle, kSmcCmdReadKeyInfo, "FNum");
    ASSERT_EQ(fans.status, kSmcSuccess);
    EXPECT_EQ(fans.data.dataType, fourCharCode("ui8 "));  // the trailing blank survives the line end
    EXPECT_EQ(fans.data.dataSize, 1u);
    EXPECT_EQ(call(handle, kSmcCmdReadKeyInfo, "XBIG").data.dataSize, 40u);
    EXPECT_EQ(call(handle, kSmcCmdReadKeyInfo, "TC1C").status, kSmcNotFound);
    EXPECT_EQ(call(handle, kSmcCmdReadBytes, "TC1C").status, kSmcNotFound);
    EXPECT_EQ(call(handle, kSmcCmdReadKeyInfo, "NONE").status, kSmcNotFound);

    // The second open, the listing and the key information cost nothing.
    EXPECT_EQ(counter("opens"), 0);
    EXPECT_EQ(counter("accesses"), 0);
    EXPECT_EQ(counter("transactions"), 0);
    EXPECT_EQ(driver->close(handle), kSmcSuccess);
    EXPECT_EQ(call(handle, kSmcCmdReadKeyInfo, "FNum").status, kSmcNotOpen);
}

TEST_F(AppleSmcDriverFuseTest, AReadCostsThreeAccessesAndOneTransaction) {
    const uint32_t handle = openDriver();
    ASSERT_TRUE(fake->control("reset"));
    const std::pair<const char*, std::string> values[] = {
        {"#KEY", std::string("\0\0\0\7", 4)}, {"F0Ac", "\x1f\x40"}, {"FNum", "\x01"},
        {"TC0P", "\x2f\x80"}, {"XBIG", "A"}};
    for (const auto& [key, bytes] : values) {
        Reply reply = call(handle, kSmcCmdReadBytes, key);
        ASSERT_EQ(reply.status, kSmcSuccess) << key;
        EXPECT_EQ(reply.data.key, fourCharCode(key));
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(reply.data.bytes), bytes.size()), bytes) << key;
        // XBIG's 40 bytes are cut to the record's 32, and are zero past the image's one.
        for (size_t i = bytes.size(); i < sizeof reply.data.bytes; ++i) ASSERT_EQ(reply.data.bytes[i], 0) << key;
    }
    const int reads = std::size(values);
    EXPECT_EQ(counter("accesses"), 3 * reads);
    EXPECT_EQ(counter("writes"), reads);
    EXPECT_EQ(counter("transactions"), reads);
}

TEST_F(AppleSmcDriverFuseTest, AMovedSelectionIsRetriedOnceThenTheReadFails) {
    const uint32_t handle = openDriver();
    ASSERT_TRUE(fake->control("reset"));
    ASSERT_TRUE(fake->control("move TC0P 1 1"));  // another process selects F0Ac once
    Reply retried = call(handle, kSmcCmdReadBytes, "TC0P");
    ASSERT_EQ(retried.status, kSmcSuccess);
    EXPECT_EQ(retried.data.bytes[0], 0x2f);
    EXPECT_EQ(counter("selections_moved"), 1);
    EXPECT_EQ(counter("accesses"), 6);
    EXPECT_EQ(counter("transactions"), 2);

    // Moved at both attempts, to the key whose read fails.
    ASSERT_TRUE(fake->control("move TC0P 2 5"));
    Reply failed = call(handle, kSmcCmdReadBytes, "TC0P");
    EXPECT_EQ(failed.status, kSmcError);
    EXPECT_EQ(failed.data.bytes[0], 0);
    EXPECT_EQ(counter("selections_moved"), 3);
    EXPECT_EQ(call(handle, kSmcCmdReadBytes, "TC0P").status, kSmcSuccess);
}

// A process that keeps selecting one key, as another reader of the SMC
// would, until the object goes.
class RacingWriter {
public:
    RacingWriter(const std::filesystem::path& keyAtIndex, const char* index) : pid_(::fork()) {
        if (pid_ != 0) return;
        int fd = ::open(keyAtIndex.c_str(), O_WRONLY | O_CLOEXEC);
        for (;;) (void)!::pwrite(fd, index, std::strlen(index), 0);
    }
    ~RacingWriter() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    bool running() const { return pid_ > 0; }

private:
    pid_t pid_;
};

// Only ever moved away, never back: any read whose selection moved is caught.
TEST_F(AppleSmcDriverFuseTest, ARacingWriterNeverMakesAReadReturnAnotherKeysBytes) {
    const uint32_t handle = openDriver();
    RacingWriter writer(fake->device() / "key_at_index", "1\n");
    ASSERT_TRUE(writer.running());
    int succeeded = 0;
    for (int i = 0; i < 100; ++i) {
        Reply reply = call(handle, kSmcCmdReadBytes, "TC0P");
        if (reply.status != kSmcSuccess) continue;
        ++succeeded;
        ASSERT_EQ(reply.data.bytes[0], 0x2f) << "read " << i;
        ASSERT_EQ(reply.data.bytes[1], 0x80) << "read " << i;
    }
    RecordProperty("reads_succeeded_of_100", succeeded);
}

TEST_F(AppleSmcDriverFuseTest, KernelFailuresAreStatuses) {
    uint32_t handle = 0;
    // key_count unreadable: no table, and the next open reads it again.
    ASSERT_TRUE(fake->control("keycount fail"));
    EXPECT_EQ(driver->open(handle), kSmcNoDevice);
    EXPECT_EQ(driver->open(handle), kSmcNoDevice);
    EXPECT_EQ(fake->counters()["by_attribute"]["key_count"], 2);
    // The SMC now counts two keys more than the kernel loaded with: selecting
    // them is refused (EINVAL), so the table ends at the loaded count.
    ASSERT_TRUE(fake->control("keycount 9"));
    handle = openDriver();
    EXPECT_EQ(call(handle, kSmcCmdReadIndex, "", kIndexCount - 1).status, kSmcSuccess);
    EXPECT_EQ(call(handle, kSmcCmdReadIndex, "", kIndexCount).status, kSmcNotFound);

    Reply unreadable = call(handle, kSmcCmdReadBytes, "TC2C");
    EXPECT_EQ(unreadable.status, kSmcError);
    EXPECT_EQ(unreadable.data.bytes[0], 0);
    EXPECT_EQ(call(handle, kSmcCmdReadKeyInfo, "TC2C").status, kSmcSuccess);

    fake->unmount();  // the device goes away under an open driver
    EXPECT_EQ(call(handle, kSmcCmdReadBytes, "TC0P").status, kSmcError);
    EXPECT_EQ(call(handle, kSmcCmdReadKeyInfo, "TC0P").status, kSmcSuccess);

    AppleSmcDriver missing(std::make_unique<AppleSmcAttributeFiles>(fake->device() / "absent"));
    EXPECT_EQ(missing.open(handle), kSmcNoDevice);
}

// key_at_index is root's to write (0644): another user can read every
// attribute but cannot select, so the driver reports no device.
TEST_F(AppleSmcDriverFuseTest, OpenFailsWhereKeyAtIndexIsNotWritable) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to switch to another user";
    pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
        if (::access((fake->device() / "key_count").c_str(), R_OK) != 0) ::_exit(3);
        AppleSmcDriver unprivileged(std::make_unique<AppleSmcAttributeFiles>(fake->device()));
        uint32_t handle = 0;
        ::_exit(unprivileged.open(handle) == kSmcNoDevice ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

// What node_exporter's hwmon collector reads: every attribute but `name` and
// the temperatures' labels is one SMC transaction at every read.
TEST_F(AppleSmcDriverFuseTest, HwmonAttributesReadTheirKeyAtEveryRead) {
    openDriver();  // the driver's index of descriptions, as the kernel's after load
    const auto read = [this](const char* attribute) -> std::optional<std::string> {
        const int fd = ::open((fake->device() / attribute).c_str(), O_RDONLY | O_CLOEXEC);
        char text[64];
        const ssize_t n = fd < 0 ? -1 : ::read(fd, text, sizeof text);
        if (fd >= 0) ::close(fd);
        if (n < 0) return std::nullopt;
        return std::string(text, static_cast<std::size_t>(n));
    };
    const struct {
        const char* attribute;
        std::optional<std::string> content;
        int transactions;
    } kCases[] = {
        {"name", "applesmc\n", 0},
        {"fan1_input", "2000\n", 1},  // fpe2 0x1f40
        {"fan1_min", std::nullopt, 0},  // no F0Mn: not found in the driver's index
        {"fan2_input", std::nullopt, 0},  // FNum says one fan
        {"temp1_label", "TC0P\n", 0},
        {"temp1_input", "47500\n", 1},  // sp78 0x2f80, in millidegrees
        {"temp2_label", "TC2C\n", 0},  // TC1C cannot be described: no channel
        {"temp2_input", std::nullopt, 1},
        {"temp3_input", std::nullopt, 0},
    };
    for (const auto& each : kCases) {
        fake->control("reset");
        EXPECT_EQ(read(each.attribute), each.content) << each.attribute;
        EXPECT_EQ(counter("transactions"), each.transactions) << each.attribute;
        EXPECT_EQ(counter("accesses"), 0) << each.attribute;
    }
}

}  // namespace
}  // namespace vrl::test
