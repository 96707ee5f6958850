#pragma once
// Runs fake_applesmc.py: an applesmc.768 directory served over FUSE from an
// SMC image, with the kernel driver's attribute semantics, its counters and
// its control commands (see the script). Needs /dev/fuse and the right to
// mount (root). Tests and benchmarks, one thread.
#include <sys/types.h>

#include <filesystem>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "tests/support/TemporaryDirectory.h"

namespace vrl::test {

class FakeAppleSmc {
public:
    struct Latency {
        int perTransactionUs = 0;
        int perByteUs = 0;
    };

    static bool fuseAvailable();
    // Mounts the image (JSON text); nullptr and the reason in `error` when the
    // file system did not come up within a few seconds.
    static std::unique_ptr<FakeAppleSmc> mount(const std::string& imageJson, Latency latency, std::string& error);
    // Unmounts and removes the scratch directory.
    ~FakeAppleSmc();

    // What a driver is given in place of /sys/devices/platform/applesmc.768.
    std::filesystem::path device() const { return root_ / "mnt" / "applesmc.768"; }
    // opens, reads, writes, accesses, transactions, selections_moved, by_attribute.
    nlohmann::json counters() const;
    // One control line ("reset", "move KEY TIMES INDEX", "remove", ...); false
    // if refused.
    bool control(const std::string& line) const;
    // Unmounts now, as a device that goes away under an open driver.
    void unmount();
    // The file system's own process, which stands in for the kernel.
    pid_t serverPid() const { return server_; }

private:
    FakeAppleSmc(std::unique_ptr<TemporaryDirectory> scratch, pid_t server)
        : scratch_(std::move(scratch)), root_(scratch_->path()), server_(server) {}
    bool waitUntilMounted() const;

    const std::unique_ptr<TemporaryDirectory> scratch_;
    const std::filesystem::path root_;
    pid_t server_;
};

}  // namespace vrl::test
