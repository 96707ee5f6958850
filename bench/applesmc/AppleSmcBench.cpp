// The applesmc driver on fake_applesmc.py with the latency of a real SMC
// (300 µs a transaction plus 40 µs a byte): what a refresh-like read of every
// key of the built-in Mac costs in attribute accesses, SMC transactions and
// time, beside the floor of a read that selects and reads without confirming
// the selection. Needs /dev/fuse and root; without them it reports an error.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "bench/common/SideBySide.h"
#include "platform/smc/AppleSmcAttributeFiles.h"
#include "platform/smc/AppleSmcDriver.h"
#include "platform/smc/BuiltInImage.h"
#include "platform/smc/FourCharCode.h"
#include "platform/smc/SmcImageWriter.h"
#include "platform/smc/SmcStatusCodes.h"
#include "tests/applesmc/FakeAppleSmc.h"

namespace {

using namespace platform::smc;
using vrl::test::FakeAppleSmc;

constexpr FakeAppleSmc::Latency kSmcLatency{300, 40};

// The applesmc attributes read bare: one descriptor each, no confirmation.
class BareAttributes {
public:
    explicit BareAttributes(const std::filesystem::path& device)
        : select_(::open((device / "key_at_index").c_str(), O_WRONLY | O_CLOEXEC)),
          data_(::open((device / "key_at_index_data").c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~BareAttributes() {
        ::close(select_);
        ::close(data_);
    }
    bool read(uint32_t index) const {
        const std::string text = std::to_string(index);
        char bytes[256];
        return ::pwrite(select_, text.data(), text.size(), 0) == static_cast<ssize_t>(text.size()) &&
               ::pread(data_, bytes, sizeof bytes, 0) >= 0;
    }

private:
    int select_;
    int data_;
};

void BM_AppleSmcReadEveryKey(benchmark::State& state) {
    std::string error;
    auto fake = FakeAppleSmc::mount(smcImageJson(builtInImage()).value_or(""), kSmcLatency, error);
    if (!fake) return state.SkipWithError(error.c_str());
    AppleSmcDriver driver(std::make_unique<AppleSmcAttributeFiles>(fake->device()));
    uint32_t handle = 0;
    if (driver.open(handle) != kSmcSuccess) return state.SkipWithError("the driver did not open");
    const auto opening = fake->counters();

    std::vector<uint32_t> keys;
    SmcKeyData input{};
    SmcKeyData output{};
    input.command = kSmcCmdReadIndex;
    for (input.index = 0; driver.callStructMethod(handle, kSmcSelector, input, output) == kSmcSuccess; ++input.index)
        keys.push_back(output.key);
    auto readEveryKey = [&] {
        SmcKeyData read{};
        read.command = kSmcCmdReadBytes;
        for (uint32_t key : keys) {
            read.key = key;
            benchmark::DoNotOptimize(driver.callStructMethod(handle, kSmcSelector, read, output));
        }
    };
    fake->control("reset");
    driver.close(handle);
    driver.open(handle);
    readEveryKey();
    const auto oneRefresh = fake->counters();

    BareAttributes bare(fake->device());
    bench::sideBySide(state, [&] { for (uint32_t index = 0; index < keys.size(); ++index) bare.read(index); },
                      readEveryKey);
    const double reads = static_cast<double>(keys.size());
    state.counters["keys"] = reads;
    state.counters["accesses_per_read"] = oneRefresh["accesses"].get<double>() / reads;
    state.counters["transactions_per_read"] = oneRefresh["transactions"].get<double>() / reads;
    state.counters["first_open_accesses"] = opening["accesses"].get<double>();
    state.counters["first_open_transactions"] = opening["transactions"].get<double>();
}
BENCHMARK(BM_AppleSmcReadEveryKey)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
