// The machine the service selects from its options, and the one line that
// tells an administrator which SMC it runs on, or why it has none.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "sensor-service/server/entry/SmcSelection.h"
#include "tests/support/TemporaryDirectory.h"

namespace vrl {
namespace {

namespace fs = std::filesystem;

// What selectMachine logs, with the applesmc driver looked for at directory.
std::string selectionLog(const ServiceOptions& options, const fs::path& directory) {
    ::testing::internal::CaptureStderr();
    const auto machine = selectMachine(options, directory);
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(machine && *machine) << (machine ? "" : machine.error().message);
    return log;
}

// The log of an applesmc selection as a user who may not write key_at_index:
// as root (who may write any file) it runs in a child that becomes nobody.
std::string unprivilegedSelectionLog(const fs::path& directory) {
    if (::geteuid() != 0) return selectionLog({}, directory);
    const fs::path out = directory.parent_path() / "child.log";
    const pid_t child = ::fork();
    if (child == 0) {
        const bool dropped = ::setgid(65534) == 0 && ::setuid(65534) == 0;
        std::ofstream(out) << (dropped ? selectionLog({}, directory) : "could not become nobody");
        ::_exit(0);
    }
    ::waitpid(child, nullptr, 0);
    std::ifstream in(out);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(SmcSelection, TheStartLineNamesTheSmcInUseOrWhyThereIsNone) {
    const vrl::test::TemporaryDirectory scratch("smc-selection", fs::perms::others_read | fs::perms::others_exec |
                                                                     fs::perms::others_write);
    const fs::path& root = scratch.path();
    const fs::path device = root / "applesmc.768";
    fs::create_directories(device);
    std::ofstream(device / "key_at_index") << "0\n";
    fs::permissions(device / "key_at_index", fs::perms::owner_read | fs::perms::owner_write |
                                                 fs::perms::group_read | fs::perms::others_read);

    ServiceOptions demo;
    demo.smcDemo = true;
    EXPECT_EQ(selectionLog(demo, device),
              "SMC: simulated, the built-in image of a MacBookPro11,1 (--smc-demo); these are not a real Mac's "
              "readings\n");

    ServiceOptions image;
    image.smcImage = (root / "image.json").string();
    std::ofstream(*image.smcImage) << R"({"model":"MacPro5,1","keys":[]})";
    EXPECT_NE(selectionLog(image, device).find("SMC: simulated, the image " + *image.smcImage + " (--smc-image)"),
              std::string::npos);
    image.smcImage = (root / "missing.json").string();
    ::testing::internal::CaptureStderr();
    const auto missing = selectMachine(image, device);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << "an image that cannot be loaded is an error, not a line";
    ASSERT_FALSE(missing);
    EXPECT_NE(missing.error().message.find("missing.json"), std::string::npos);

    EXPECT_EQ(selectionLog({}, device), "SMC: the applesmc driver at " + device.string() + "\n");
    EXPECT_EQ(selectionLog({}, root / "absent"), "SMC: none, no applesmc driver at " + (root / "absent").string() +
                                                     " (not an Intel Mac, or the applesmc module is not loaded)\n");
    if (::geteuid() != 0) fs::permissions(device / "key_at_index", fs::perms::owner_write, fs::perm_options::remove);
    EXPECT_EQ(unprivilegedSelectionLog(device),
              "SMC: none, cannot select SMC keys through " + (device / "key_at_index").string() +
                  ": Permission denied (the udev rule giving the vrlsensord group write access did not apply)\n");
}

}  // namespace
}  // namespace vrl
