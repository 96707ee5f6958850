// What the kernel's files never do but a driver must survive: content that is
// not what the kernel prints, the device going away while the key table is
// read, and the driver unloaded and loaded again, counted access by access.
// Everything the kernel does is tested against the FUSE fake in
// tests/applesmc.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/smc/AppleSmcDriver.h"
#include "platform/smc/FourCharCode.h"
#include "platform/smc/SmcStatusCodes.h"

namespace vrl::test {
namespace {

using namespace platform::smc;

// Attributes answered from memory: a name per index, every key "ui8 " of
// one byte, its index; `failAtSelection` makes that selection fail with
// ENODEV once. unload() and load() stand for the kernel driver going and
// coming back: files opened before fail with ENODEV for ever, and opening
// fails with ENOENT while it is away.
class ScriptedAttributes : public AppleSmcAttributes {
public:
    explicit ScriptedAttributes(std::vector<std::string> names) : names_(std::move(names)) {}

    platform::Result<> open() override {
        ++opens;
        if (!loaded_) return platform::failErrno("open", ENOENT);
        openedGeneration_ = generation_;
        return {};
    }

    void close() override { openedGeneration_.reset(); }

    void unload() {
        loaded_ = false;
        ++generation_;
    }
    void load(std::vector<std::string> names) {
        loaded_ = true;
        names_ = std::move(names);
    }

    platform::Result<size_t> read(AppleSmcAttribute which, std::span<char> buffer) override {
        ++accesses;
        if (int error = staleError()) return platform::failErrno("read", error);
        std::string content;
        switch (which) {
            case AppleSmcAttribute::keyCount: content = std::to_string(names_.size()) + "\n"; break;
            case AppleSmcAttribute::keyAtIndex: content = std::to_string(selected_) + "\n"; break;
            case AppleSmcAttribute::keyAtIndexName: content = names_[selected_] + "\n"; break;
            case AppleSmcAttribute::keyAtIndexType: content = "ui8 \n"; break;
            case AppleSmcAttribute::keyAtIndexDataLength: content = "1\n"; break;
            case AppleSmcAttribute::keyAtIndexData: content = std::string(1, static_cast<char>(selected_)); break;
        }
        std::memcpy(buffer.data(), content.data(), std::min(buffer.size(), content.size()));
        return std::min(buffer.size(), content.size());
    }

    platform::Result<> write(AppleSmcAttribute, std::string_view text) override {
        ++accesses;
        if (int error = staleError()) return platform::failErrno("write", error);
        ++selections;
        selected_ = std::stoul(std::string(text));
        if (failAtSelection == selected_) {
            failAtSelection.reset();
            return platform::failErrno("write", ENODEV);
        }
        return {};
    }

    std::optional<unsigned long> failAtSelection;
    int selections = 0;
    int accesses = 0;
    int opens = 0;

private:
    int staleError() const {
        if (!openedGeneration_) return EBADF;
        return *openedGeneration_ == generation_ ? 0 : ENODEV;
    }

    std::vector<std::string> names_;
    unsigned long selected_ = 0;
    bool loaded_ = true;
    int generation_ = 0;
    std::optional<int> openedGeneration_;
};

SmcKeyData request(uint8_t command, const char* key) {
    SmcKeyData input{};
    input.command = command;
    input.key = fourCharCode(key);
    return input;
}

TEST(AppleSmcDriverTest, ATableCutShortIsReadAgainAndMalformedNamesAreLeftOut) {
    auto owned = std::make_unique<ScriptedAttributes>(std::vector<std::string>{"#KEY", "LONGNAME", "", "TC0P"});
    ScriptedAttributes& attributes = *owned;
    attributes.failAtSelection = 2;
    AppleSmcDriver driver(std::move(owned));
    uint32_t handle = 0;
    EXPECT_EQ(driver.open(handle), kSmcNoDevice);
    ASSERT_EQ(driver.open(handle), kSmcSuccess);
    EXPECT_EQ(attributes.selections, 3 + 4);

    SmcKeyData input{};
    SmcKeyData output{};
    input.command = kSmcCmdReadIndex;
    std::vector<SmcStatus> listing;
    for (input.index = 0; input.index < 4; ++input.index)
        listing.push_back(driver.callStructMethod(handle, kSmcSelector, input, output));
    EXPECT_EQ(listing, (std::vector<SmcStatus>{kSmcSuccess, kSmcNotFound, kSmcNotFound, kSmcSuccess}));
    EXPECT_EQ(output.key, fourCharCode("TC0P"));

    input.command = kSmcCmdReadBytes;
    input.key = fourCharCode("TC0P");
    ASSERT_EQ(driver.callStructMethod(handle, kSmcSelector, input, output), kSmcSuccess);
    EXPECT_EQ(output.bytes[0], 3);
    input.command = 42;
    EXPECT_EQ(driver.callStructMethod(handle, kSmcSelector, input, output), kSmcBadArgument);
    EXPECT_EQ(driver.callStructMethod(handle, 7, input, output), kSmcBadArgument);
}

// A pass that meets the driver gone tries one reopen and then fails every
// call at once; each later pass tries once more; the driver back, its new key
// table answers. A reload between two passes costs the next pass nothing.
TEST(AppleSmcDriverTest, ADriverUnloadedAndLoadedAgainIsReopenedAtMostOncePerPass) {
    auto owned = std::make_unique<ScriptedAttributes>(std::vector<std::string>{"#KEY", "TC0P", "TC1C"});
    ScriptedAttributes& attributes = *owned;
    AppleSmcDriver driver(std::move(owned));
    SmcKeyData output{};
    auto call = [&](uint32_t handle, uint8_t command, const char* key) {
        return driver.callStructMethod(handle, kSmcSelector, request(command, key), output);
    };
    uint32_t handle = 0;
    ASSERT_EQ(driver.open(handle), kSmcSuccess);
    ASSERT_EQ(call(handle, kSmcCmdReadBytes, "TC0P"), kSmcSuccess);

    attributes.unload();
    const int accessesBefore = attributes.accesses;
    EXPECT_EQ(call(handle, kSmcCmdReadBytes, "TC0P"), kSmcNoDevice);
    EXPECT_EQ(attributes.accesses, accessesBefore + 1);  // the stale selection, then no more
    EXPECT_EQ(attributes.opens, 2);                      // the pass's one reopen
    EXPECT_EQ(call(handle, kSmcCmdReadBytes, "TC1C"), kSmcNoDevice);
    EXPECT_EQ(call(handle, kSmcCmdReadKeyInfo, "TC1C"), kSmcNoDevice);
    EXPECT_EQ(call(handle, kSmcCmdReadIndex, ""), kSmcNoDevice);
    EXPECT_EQ(attributes.accesses, accessesBefore + 1);
    EXPECT_EQ(attributes.opens, 2);
    EXPECT_EQ(driver.close(handle), kSmcSuccess);

    uint32_t away = 0;
    EXPECT_EQ(driver.open(away), kSmcNoDevice);
    EXPECT_EQ(call(away, kSmcCmdReadBytes, "TC0P"), kSmcNotOpen);
    EXPECT_EQ(attributes.opens, 3);

    // Back with another key set: TC0P has moved to index 2, TC1C is gone.
    attributes.load({"#KEY", "F0Ac", "TC0P"});
    ASSERT_EQ(driver.open(handle), kSmcSuccess);
    EXPECT_EQ(attributes.opens, 4);
    ASSERT_EQ(call(handle, kSmcCmdReadBytes, "TC0P"), kSmcSuccess);
    EXPECT_EQ(output.bytes[0], 2);
    EXPECT_EQ(call(handle, kSmcCmdReadKeyInfo, "TC1C"), kSmcNotFound);
    EXPECT_EQ(driver.close(handle), kSmcSuccess);

    // Unloaded and loaded again while no pass ran.
    attributes.unload();
    attributes.load({"#KEY", "TC0P"});
    ASSERT_EQ(driver.open(handle), kSmcSuccess);
    EXPECT_EQ(attributes.opens, 4);  // nothing seen yet
    ASSERT_EQ(call(handle, kSmcCmdReadBytes, "TC0P"), kSmcSuccess);
    EXPECT_EQ(output.bytes[0], 1);
    EXPECT_EQ(attributes.opens, 5);
    EXPECT_EQ(call(handle, kSmcCmdReadIndex, ""), kSmcSuccess);
}

}  // namespace
}  // namespace vrl::test
