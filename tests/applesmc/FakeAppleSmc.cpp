#include "tests/applesmc/FakeAppleSmc.h"

#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>
#include <thread>

namespace vrl::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

bool exitedWithin(pid_t pid, std::chrono::milliseconds limit) {
    for (auto waited = 0ms; waited < limit; waited += 10ms) {
        if (::waitpid(pid, nullptr, WNOHANG) == pid) return true;
        std::this_thread::sleep_for(10ms);
    }
    return false;
}

}  // namespace

bool FakeAppleSmc::fuseAvailable() { return fs::exists("/dev/fuse"); }

std::unique_ptr<FakeAppleSmc> FakeAppleSmc::mount(const std::string& imageJson, Latency latency,
                                                  std::string& error) {
    std::unique_ptr<TemporaryDirectory> scratch;
    try {
        // Other users must reach the mount to meet the attribute modes themselves.
        scratch = std::make_unique<TemporaryDirectory>("fake-applesmc", kReachableByEveryone);
    } catch (const std::system_error&) {
        error = "cannot make a scratch directory";
        return nullptr;
    }
    const fs::path root = scratch->path();
    fs::create_directory(root / "mnt");
    std::ofstream(root / "image.json") << imageJson;
    const std::string perTransaction = std::to_string(latency.perTransactionUs);
    const std::string perByte = std::to_string(latency.perByteUs);
    const std::string image = (root / "image.json").string();
    const std::string mountPoint = (root / "mnt").string();
    pid_t server = ::fork();
    if (server == 0) {
        ::execl("/usr/bin/python3", "python3", VRL_FAKE_APPLESMC_SCRIPT, image.c_str(), mountPoint.c_str(),
                "--latency-us", perTransaction.c_str(), "--latency-per-byte-us", perByte.c_str(), nullptr);
        ::_exit(127);
    }
    std::unique_ptr<FakeAppleSmc> fake(new FakeAppleSmc(std::move(scratch), server));
    if (server < 0 || !fake->waitUntilMounted()) {
        error = "fake_applesmc.py did not mount " + mountPoint;
        return nullptr;
    }
    return fake;
}

bool FakeAppleSmc::waitUntilMounted() const {
    for (auto waited = 0ms; waited < 10s; waited += 20ms) {
        if (fs::exists(device() / "key_count")) return true;
        if (::waitpid(server_, nullptr, WNOHANG) == server_) return false;
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

void FakeAppleSmc::unmount() {
    if (server_ <= 0) return;
    // libfuse unmounts on SIGTERM; a lazy unmount covers a server that hung.
    ::kill(server_, SIGTERM);
    if (!exitedWithin(server_, 5s)) {
        ::umount2((root_ / "mnt").c_str(), MNT_DETACH);
        ::kill(server_, SIGKILL);
        ::waitpid(server_, nullptr, 0);
    }
    server_ = 0;
}

// The scratch directory goes after the body, once nothing is mounted on it.
FakeAppleSmc::~FakeAppleSmc() { unmount(); }

nlohmann::json FakeAppleSmc::counters() const {
    std::ifstream in(root_ / "mnt" / "control");
    std::stringstream text;
    text << in.rdbuf();
    return nlohmann::json::parse(text.str(), nullptr, false);
}

bool FakeAppleSmc::control(const std::string& line) const {
    std::ofstream out(root_ / "mnt" / "control");
    out << line << '\n';
    out.close();
    return !out.fail();
}

}  // namespace vrl::test
