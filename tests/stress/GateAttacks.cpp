#include "tests/stress/GateAttacks.h"

#include <sys/stat.h>

#include <fstream>

#include "platform/ipc/ProductIdentifiers.h"
#include "tests/stress/HostileBundle.h"

namespace vrl::stress {
namespace {

namespace fs = std::filesystem;

constexpr const char* kClientIdentifier = platform::ipc::kAdmittedBundleIdentifier;

// <work>/<name>/Contents/MacOS/vrl_stress, a copy of self.
fs::path copyInto(const fs::path& work, const std::string& name, const fs::path& self) {
    const fs::path macos = work / name / "Contents" / "MacOS";
    fs::create_directories(macos);
    fs::copy_file(self, macos / "vrl_stress", fs::copy_options::overwrite_existing);
    return macos / "vrl_stress";
}

fs::path infoPlistOf(const fs::path& work, const std::string& name) { return work / name / "Contents" / "Info.plist"; }

}  // namespace

std::vector<GateAttack> prepareGateAttacks(const fs::path& work, const fs::path& self) {
    std::vector<GateAttack> attacks;

    const fs::path fifo = copyInto(work, "Fifo.app", self);
    ::mkfifo(infoPlistOf(work, "Fifo.app").c_str(), 0644);
    attacks.push_back({"fifo", fifo, {}});

    const fs::path huge = copyInto(work, "Huge.app", self);
    std::ofstream(infoPlistOf(work, "Huge.app"), std::ios::binary) << infoPlistSaying(kClientIdentifier, 7u << 20);
    attacks.push_back({"7 MiB plist", huge, {}});

    const fs::path plugin = copyInto(work, "Plugin.bundle", self);
    std::ofstream(infoPlistOf(work, "Plugin.bundle"), std::ios::binary) << infoPlistSaying(kClientIdentifier);
    attacks.push_back({"X.bundle", plugin, {}});

    const fs::path swapped = copyInto(work, "Swap.app", self);
    const fs::path swappedPlist = infoPlistOf(work, "Swap.app");
    std::ofstream(swappedPlist, std::ios::binary) << infoPlistSaying("com.example.monitor");
    attacks.push_back(
        {"swapped fifo", swapped, [swappedPlist](const StopFlag& stop) { keepSwappingWithFifo(swappedPlist, stop); }});
    return attacks;
}

}  // namespace vrl::stress
