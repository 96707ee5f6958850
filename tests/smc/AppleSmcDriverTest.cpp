// What the kernel's files never do but a driver must survive: content that is
// not what the kernel prints, and the device going away while the key table
// is read. Everything the kernel does is tested against the FUSE fake in
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
// one byte; `failAtSelection` makes that selection fail with ENODEV once.
class ScriptedAttributes : public AppleSmcAttributes {
public:
    explicit ScriptedAttributes(std::vector<std::string> names) : names_(std::move(names)) {}

    int open() override { return 0; }

    AttributeRead read(AppleSmcAttribute which, std::span<char> buffer) override {
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
        return {std::min(buffer.size(), content.size()), 0};
    }

    int write(AppleSmcAttribute, std::string_view text) override {
        ++selections;
        selected_ = std::stoul(std::string(text));
        if (failAtSelection == selected_) {
            failAtSelection.reset();
            return ENODEV;
        }
        return 0;
    }

    std::optional<unsigned long> failAtSelection;
    int selections = 0;

private:
    std::vector<std::string> names_;
    unsigned long selected_ = 0;
};

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

}  // namespace
}  // namespace vrl::test
